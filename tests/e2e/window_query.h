// Finding and reading windows of another process, as a test sees them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

std::string ClassNameOf(HWND window);
// The text through WM_GETTEXT, which crosses processes (GetWindowTextA does not).
std::string TextOf(HWND window);
// Top-level windows of a process, visible or not, in z-order.
std::vector<HWND> TopLevelWindowsOf(DWORD processId);
// Direct children in z-order.
std::vector<HWND> ChildrenOf(HWND parent);
// A window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND child);
// The window with the keyboard focus in a thread, or null.
HWND FocusOfThread(DWORD threadId);
// True once the window's thread has handled a message sent now; it answers
// from the message loop it is in, the main one or a modal one.
bool AnswersMessages(HWND window);

// False under Wine without an X display, where windows never appear.
bool HasDisplay();

// Polls until `condition` holds or `timeoutMs` passes; the last result.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);
constexpr DWORD kWindowTimeoutMs = 10000;
constexpr DWORD kStartTimeoutMs = 30000;
