#include "tests/win32/support/program_objects_for_tests.h"
#include "app/program_state.h"

// The About window of main_win32.cpp, for test programs: they link the library
// but not the program's own main_win32.cpp, and count the openings instead.

namespace {
int aboutOpenCount = 0;
} // namespace

void OpenAboutWindow()
{
    ++aboutOpenCount;
}

int AboutWindowOpenCount()
{
    return aboutOpenCount;
}
