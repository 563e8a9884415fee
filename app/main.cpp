#include "app/program_objects.h"
#include "app/startup.h"
#include "dialogs/about_dialog.h"

#include <windows.h>

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

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int)
{
    return RunVestrel(instance, arguments);
}
