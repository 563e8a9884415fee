#include "app/command_line.h"
#include "app/command_modes.h"
#include "app/main_window.h"
#include "app/program_state.h"
#include "app/startup.h"
#include "dialogs/about_dialog.h"
#include "platform/library_loading.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

struct DllSearchRestriction {
    DllSearchRestriction() { RestrictDllSearch(); }
};

} // namespace

// Narrows the DLL search before anything can load a DLL by name. GCC runs
// static constructors of a lower init_priority first, and 101 is the lowest a
// program may use, so this one also comes before the static objects of other
// files and before the libraries' constructors, such as the stack protector's
// runtime, which seeds its guard through a cryptographic provider DLL.
DllSearchRestriction g_dllSearchRestriction __attribute__((init_priority(101)));

// Registers the About and License window classes and loads the rich-edit
// library, before the main window exists.
AboutDialog g_aboutDialog;

void OpenAboutWindow()
{
    g_aboutDialog.Open();
}

namespace {

// The arguments after the program's name, split by the runtime as a console
// program's would be.
std::vector<std::string> ProgramArguments()
{
    std::vector<std::string> args;
    for (int i = 1; i < __argc && __argv && __argv[i]; ++i)
        args.push_back(__argv[i]);
    return args;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    const Command command = ParseCommandLine(ProgramArguments());
    if (command.mode == CommandMode::Window)
        return RunVestrel(instance);
    return RunCommand(command, *g_devices);
}
