#include "platform/escaped_exception.h"

#include "platform/bounded_text.h"
#include "platform/std_streams.h"

#include <windows.h>

#include <exception>

namespace {

// What is kept of an exception's what(), the terminator included.
constexpr std::size_t kWhatCapacity = 200;
constexpr char kLineStart[] = "internal error: ";
constexpr char kNoStandardType[] = "an exception of no standard type";
constexpr char kNoException[] = "std::terminate was called without an exception";

// The note moves from state to state by compare-and-swap, so that it is never
// read half written. Plain statics, zero before any code runs: a thread may
// note at any time, and nothing here is ever destroyed.
enum NoteState : LONG { kEmpty, kWriting, kNoted, kReading };
LONG g_state = kEmpty;
char g_what[kWhatCapacity];

int g_exitCode = 0;
bool g_tell = false;

// The what() of the exception being handled, as one line; in a catch block.
void HandledExceptionText(char* text, std::size_t capacity) noexcept
{
    try {
        throw;
    } catch (const std::exception& e) {
        CopyOneLine(text, capacity, e.what());
    } catch (...) {
        CopyText(text, capacity, kNoStandardType);
    }
}

// Whatever brought the program here, nothing more of it runs: no atexit
// handler, no library's notification, and above all not the runtime's abort.
void EndAtOnce()
{
    if (g_tell) {
        char what[kWhatCapacity];
        CopyText(what, sizeof what, kNoException);
        if (const std::exception_ptr current = std::current_exception()) {
            try {
                std::rethrow_exception(current);
            } catch (...) {
                HandledExceptionText(what, sizeof what);
            }
        }
        try {
            WriteErrorLine(std::string("Vestrel: ") + kLineStart + what);
        } catch (...) {
            // No memory left for the line: the exit code alone tells.
        }
    }
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(g_exitCode));
    ExitProcess(static_cast<UINT>(g_exitCode));
}

} // namespace

void NoteCurrentException() noexcept
{
    for (;;) {
        const LONG was = InterlockedCompareExchange(&g_state, kWriting, kEmpty);
        if (was == kWriting || was == kNoted)
            return; // the first one is kept
        if (was == kEmpty)
            break;
        Sleep(0); // a note being taken: the next one goes in once it is
    }
    HandledExceptionText(g_what, sizeof g_what);
    InterlockedExchange(&g_state, kNoted);
}

bool TakeEscapedException(std::string& line)
{
    char what[kWhatCapacity];
    for (;;) {
        const LONG was = InterlockedCompareExchange(&g_state, kReading, kNoted);
        if (was == kEmpty)
            return false;
        if (was == kNoted)
            break;
        Sleep(0); // being written or taken: a copy of a few hundred bytes
    }
    CopyText(what, sizeof what, g_what);
    InterlockedExchange(&g_state, kEmpty);
    line = std::string(kLineStart) + what;
    return true;
}

void EndOnTerminate(int exitCode, bool tell)
{
    g_exitCode = exitCode;
    g_tell = tell;
    std::set_terminate(EndAtOnce);
}
