// The program's entry: the main window and the hidden notice window, then the
// message loop until the main window closes.
#include "app/Mainform.h"
#include "app/Msxmltestform.h"
#include "framework/Exception.h"
#include "framework/win/Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        Application->Initialize();
        // The first form created is the main window.
        Application->CreateForm(&Form1);
        // Created once and kept hidden, as the program has always done; each
        // failed library check shows a fresh notice window of its own, so
        // this one never appears.
        Application->CreateForm(&TMsXmlTestForm);
        Application->Run();
    } catch (const Exception& exception) {
        Application->ShowException(exception);
    }
    return 0;
}
