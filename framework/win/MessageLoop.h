// What every window of the program's one thread shares, below the forms:
// the main window, whose end ends the message loop; the window that owns
// the boxes and dialogs; one message handled as the dialog manager would;
// and the box that shows an exception no handler kept.
#pragma once

#include "framework/Exception.h"
#include "platform/winapi.h"

// The application's main window; null before it is made and once it is gone.
HWND MainWindow();
void SetMainWindow(HWND window);

// The window that owns message boxes and dialogs: the active one, else the
// main window.
HWND DialogOwner();

// One message of a loop: dialog keys (Tab, Space, Enter) first.
void ProcessMessage(MSG& message);

// The standard error box with the exception's message, captioned with the
// program's name.
void ShowExceptionBox(const Exception& exception);
