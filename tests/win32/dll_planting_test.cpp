// A DLL saved beside the program under the name of a library that the
// program, or Windows on its behalf, loads by name: a copy of the program in
// that folder must start, show the agreement in its License window and end
// normally, and never load the planted file.
//
// Wine prefers its builtin libraries to a DLL in the program's folder, where
// Windows would take the DLL; each case asks Wine to prefer a native one for
// its library, for this program's file name only (Wine's AppDefaults key,
// which Windows ignores).

#include "app/main_window.h"
#include "dialogs/about_dialog.h"
#include "tests/win32/support/program_process.h"
#include "tests/win32/support/registry_tree.h"
#include "tests/win32/support/window_probe.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr char kLoadedEvent[] = "vestrel_planted_library_loaded";
constexpr char kFolderName[] = "vestrel_planting";

struct Planting {
    const char* fileName;
    const char* wineName; // the library's name in Wine's load-order settings
};

// The program's own load while its static objects are made; a library that
// one needs in turn (Wine's rich-edit library needs usp10); one that a
// cryptographic provider needs under Wine (bcrypt), which the program must
// not load at all: its stack guard is seeded without the provider.
// Not planted: libraries that Wine's own DLLs load at start-up (uxtheme),
// before any of the program's code runs, or through their delayed imports
// (msimg32), which Wine looks for along the search path the process started
// with, whatever the program sets.
const Planting kPlantings[] = {
    {"Riched20.dll", "riched20"},
    {"usp10.dll", "usp10"},
    {"bcrypt.dll", "bcrypt"},
};

// Names the case in test output.
void PrintTo(const Planting& planting, std::ostream* out)
{
    *out << planting.fileName;
}

std::string TempFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, path);
    return length > 0 && length < MAX_PATH ? std::string(path) + kFolderName : std::string();
}

// A folder in the temporary directory holding a copy of the program and the
// planted DLL under `fileName`; removed again when the object goes.
class PlantedFolder {
public:
    explicit PlantedFolder(const std::string& fileName)
        : folder(TempFolder()), program(folder + "\\" + VESTREL_EXE_NAME),
          planted(folder + "\\" + fileName)
    {
        CreateDirectoryA(folder.c_str(), nullptr);
        ready = !folder.empty() && CopyFileA(VESTREL_EXE_PATH, program.c_str(), FALSE) &&
                CopyFileA(VESTREL_PLANTED_DLL_PATH, planted.c_str(), FALSE);
    }
    ~PlantedFolder()
    {
        DeleteFileA(program.c_str());
        DeleteFileA(planted.c_str());
        RemoveDirectoryA(folder.c_str());
    }
    PlantedFolder(const PlantedFolder&) = delete;
    PlantedFolder& operator=(const PlantedFolder&) = delete;

    bool Ready() const { return ready; }
    std::string CommandLine() const { return "\"" + program + "\""; }

private:
    std::string folder;
    std::string program;
    std::string planted;
    bool ready = false;
};

// Help-About, then its "License", as a user chooses them; the text of the
// License window, empty when a window is missing.
std::string AgreementShownBy(const ProgramProcess& program)
{
    SendMessageA(program.MainWindow(), WM_COMMAND, IDC_ABOUT, 0);
    const std::vector<HWND> abouts = program.Windows("vestrel_aboutdlg");
    if (abouts.size() != 1)
        return {};
    SendMessageA(abouts[0], WM_COMMAND, IDC_ABOUT_LICENSE, 0);
    const std::vector<HWND> licenses = program.Windows("vestrel_licensedlg");
    if (licenses.size() != 1)
        return {};
    return WindowText(FindWindowExA(licenses[0], nullptr, "RichEdit20A", nullptr));
}

class PlantedLibrary : public ::testing::TestWithParam<Planting> {};

TEST_P(PlantedLibrary, IsNeverLoadedAndTheProgramStillWorks)
{
    const Planting& planting = GetParam();
    RegistryTree wineSettings(HKEY_CURRENT_USER,
                              std::string("Software\\Wine\\AppDefaults\\") + VESTREL_EXE_NAME);
    wineSettings.SetString("DllOverrides", planting.wineName, "native,builtin");
    PlantedFolder folder(planting.fileName);
    ASSERT_TRUE(folder.Ready()) << GetLastError();
    HANDLE loaded = CreateEventA(nullptr, TRUE, FALSE, kLoadedEvent);
    ASSERT_NE(nullptr, loaded) << GetLastError();
    ResetEvent(loaded);

    std::string agreement;
    long exitCode = -1;
    {
        ProgramProcess program(folder.CommandLine());
        ASSERT_TRUE(program.Started()) << GetLastError();
        agreement = AgreementShownBy(program);
        PostMessageA(program.MainWindow(), WM_CLOSE, 0, 0);
        exitCode = program.ExitCode();
    }

    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(loaded, 0))
        << "the planted " << planting.fileName << " was loaded";
    EXPECT_EQ(0u, agreement.rfind("Vestrel End User License Agreement", 0)) << agreement;
    EXPECT_EQ(0, exitCode);
    CloseHandle(loaded);
}

INSTANTIATE_TEST_SUITE_P(BesideTheProgram, PlantedLibrary, ::testing::ValuesIn(kPlantings),
                         [](const ::testing::TestParamInfo<Planting>& info) {
                             return std::string(info.param.wineName);
                         });

} // namespace
