#include "tests/win32/support/folder_link.h"
#include "unattended/command_line.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr DWORD kTimeoutMs = 20000;

std::string TempFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return temp;
}

// Vestrel.exe started with `arguments`. Its standard error goes to a file
// when `redirectError` is set; otherwise it has no standard handles, as when
// started from a shortcut.
class ProgramRun {
public:
    ProgramRun(const std::string& arguments, bool redirectError)
        : errorPath(TempFolder() + "vestrel-stderr-" + std::to_string(GetCurrentProcessId()))
    {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE error = INVALID_HANDLE_VALUE;
        if (redirectError)
            error = CreateFileA(errorPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdError = redirectError ? error : nullptr;
        std::string commandLine = std::string("\"") + VESTREL_EXE_PATH + "\" " + arguments;
        std::vector<char> command(commandLine.begin(), commandLine.end());
        command.push_back('\0');
        started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, redirectError, 0,
                                 nullptr, nullptr, &startup, &process) != FALSE;
        if (error != INVALID_HANDLE_VALUE)
            CloseHandle(error);
    }

    ~ProgramRun()
    {
        if (started) {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(process.hProcess, 99);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        DeleteFileA(errorPath.c_str());
    }

    bool Started() const { return started; }
    DWORD Id() const { return process.dwProcessId; }

    // The exit code once the program has ended; -1 while it still runs.
    long ExitCode() const
    {
        if (!started || WaitForSingleObject(process.hProcess, kTimeoutMs) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        return static_cast<long>(code);
    }

    std::string ErrorOutput() const
    {
        std::string text;
        const HANDLE file = CreateFileA(errorPath.c_str(), GENERIC_READ, FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
        char buffer[1024];
        DWORD read = 0;
        while (file != INVALID_HANDLE_VALUE &&
               ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
            text.append(buffer, read);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        return text;
    }

private:
    std::string errorPath;
    PROCESS_INFORMATION process = {};
    bool started = false;
};

class RecordMode : public ::testing::Test {
protected:
    void SetUp() override { CreateDirectoryA(scratch.c_str(), nullptr); }
    void TearDown() override { RemoveFolderTree(scratch); }

    const std::string scratch =
        TempFolder() + "vestrel-record-mode-" + std::to_string(GetCurrentProcessId());
};

// No window: the program ends by itself, which a main window never does.
// Wine has no drive that answers, and a recording of nothing is no success.
TEST_F(RecordMode, RecordingNothingMakesTheFolderEndsWithTwoAndSaysSo)
{
    const std::string folder = scratch + "\\my drives";
    ProgramRun run("/record \"" + folder + "\"", true);
    ASSERT_TRUE(run.Started()) << GetLastError();
    EXPECT_EQ(2, run.ExitCode());
    EXPECT_EQ("Vestrel: no drive answered an identify request: nothing was recorded in " + folder +
                  "\r\n",
              run.ErrorOutput());
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(RecordMode, AFolderThatIsNotEmptyIsRefusedWithOneLineAndTwo)
{
    CreateDirectoryA((scratch + "\\0").c_str(), nullptr);
    ProgramRun run("/record " + scratch, true);
    ASSERT_TRUE(run.Started()) << GetLastError();
    EXPECT_EQ(2, run.ExitCode());
    EXPECT_EQ("Vestrel: the folder " + scratch + " is not empty\r\n", run.ErrorOutput());
}

// A folder a standard user made could be a link to any other: the run
// would write where that user chose.
TEST_F(RecordMode, ALinkAsTheFolderIsRefusedWithOneLineAndTwo)
{
    for (const FolderLink& link : FolderLinks(scratch)) {
        ProgramRun run("/record \"" + link.path + "\"", true);
        ASSERT_TRUE(run.Started()) << GetLastError();
        EXPECT_EQ(2, run.ExitCode()) << link.what;
        EXPECT_EQ("Vestrel: cannot write in " + link.path +
                      ": it is a link (a junction or a symbolic link)\r\n",
                  run.ErrorOutput());
        EXPECT_TRUE(IsEmptyFolder(link.target)) << link.what;
    }
}

TEST_F(RecordMode, UsageErrorIsOneLineOnRedirectedStandardError)
{
    ProgramRun run("/record", true);
    ASSERT_TRUE(run.Started()) << GetLastError();
    EXPECT_EQ(2, run.ExitCode());
    EXPECT_EQ(std::string("Vestrel: \"/record\" needs a folder; ") + kUsageLine + "\r\n",
              run.ErrorOutput());
}

} // namespace
