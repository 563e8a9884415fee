#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Reading windows back from the system, for tests of this process's windows
// and of a started program's.

// A window's text through WM_GETTEXT; empty for no window.
std::string WindowText(HWND window);

// A window's class name; empty for no window.
std::string ClassName(HWND window);

// Top-level windows of process `pid` (this one by default) with the given
// class, compared without case, in z-order; empty when there are none.
std::vector<HWND> WindowsOfClass(const char* className, DWORD pid = GetCurrentProcessId());

// Destroys every top-level window of this process with the given class.
void DestroyWindowsOfClass(const char* className);

// The child windows of `parent`, in creation order.
std::vector<HWND> Children(HWND parent);

// A child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);

// Dispatches every message waiting for this thread.
void DispatchPending();
