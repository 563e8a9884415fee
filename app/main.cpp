#include "app/program_state.h"
#include "app/startup.h"
#include "dialogs/about_dialog.h"
#include "platform/library_loading.h"

#include <windows.h>

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

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int)
{
    return RunVestrel(instance, arguments);
}
