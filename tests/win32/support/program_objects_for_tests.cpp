#include "tests/win32/support/program_objects_for_tests.h"
#include "app/program_objects.h"

// The program's static objects, for test programs: they link the library
// but not the program's own main.cpp.
DriveRecordList g_driveRecords;

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
