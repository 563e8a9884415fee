#include "app/command_line.h"
#include "app/main_window.h"
#include "app/program_objects.h"
#include "app/report_mode.h"
#include "app/startup.h"
#include "dialogs/about_dialog.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

// The program-wide objects, defined here together so that they are
// constructed in this order before WinMain runs.
DriveRecordList g_driveRecords;
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
