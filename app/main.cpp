// The program's entry: the main window and the hidden notice window, then the
// message loop until the main window closes.
#include "app/Mainform.h"
#include "app/Msxmltestform.h"
#include "framework/Exception.h"
#include "framework/win/Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        Application->Initialize();
        Application->CreateForm(&Form1);
        Application->CreateForm(&TMsXmlTestForm);
        Application->Run();
    } catch (const Exception& exception) {
        Application->ShowException(exception);
    }
    return 0;
}
