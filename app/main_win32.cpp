#include "app/main_window.h"
#include "app/program_state.h"
#include "app/startup.h"
#include "dialogs/about_dialog.h"
#include "platform/escaped_exception.h"
#include "platform/library_loading.h"
#include "platform/unicode_text.h"
#include "unattended/command_line.h"
#include "unattended/command_modes.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

struct DllSearchRestriction {
    DllSearchRestriction() { RestrictDllSearch(); }
};

struct QuietTerminate {
    QuietTerminate() { EndOnTerminate(kExitFailed, false); }
};

} // namespace

// Narrows the DLL search before anything can load a DLL by name. GCC runs
// static constructors of a lower init_priority first, and 101 is the lowest a
// program may use, so this one also comes before the static objects of other
// files and before the libraries' constructors. (The stack guard is seeded
// earlier still, by platform/stack_guard_win32.cpp, from advapi32, which
// Windows loaded with the program.)
DllSearchRestriction g_dllSearchRestriction __attribute__((init_priority(101)));

// The C++ runtime ends an exception that nothing caught with a message box
// that waits for a person. From before the other static objects are made, the
// program ends without one; a window-free mode also says why (WinMain).
QuietTerminate g_quietTerminate __attribute__((init_priority(101)));

// Registers the About and License window classes and loads the rich-edit
// library, before the main window exists.
AboutDialog g_aboutDialog;

void OpenAboutWindow()
{
    g_aboutDialog.Open();
}

namespace {

// The arguments after the program's name, in UTF-8. Read as UTF-16, so a
// path outside the system code page arrives whole, and split here rather
// than by the shell, which would load at every start for this alone. False
// when one is not UTF-16 and so could name no file by its text.
bool ProgramArguments(std::vector<std::string>& args)
{
    for (const std::wstring& wide : CommandLineArguments(GetCommandLineW())) {
        std::string arg;
        if (!Utf8FromWide(wide, arg))
            return false;
        args.push_back(arg);
    }
    return true;
}

Command ReadCommandLine()
{
    std::vector<std::string> args;
    if (ProgramArguments(args))
        return ParseCommandLine(args);
    Command command;
    command.mode = CommandMode::UsageError;
    command.error = "an argument is not valid Unicode";
    return command;
}

} // namespace

// RunCommand ends what its run throws with one line itself; whatever still
// gets here (the command line unread, no memory left for the line) ends the
// program with 2, as the window does, which has nobody to tell.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    try {
        const Command command = ReadCommandLine();
        if (command.mode == CommandMode::Window)
            return RunVestrel(instance);
        EndOnTerminate(kExitFailed, true);
        return RunCommand(command, *g_devices);
    } catch (...) {
        return kExitFailed;
    }
}
