#pragma once

#include <string>

// Exceptions that escape the program's work. What ends in the C++ runtime's
// abort is a message box waiting for a person, then exit code 3, which the
// report uses for "verdict incomplete"; so every thread that runs program
// code catches whatever reaches its top and notes it here, and the
// window-free modes end with one line and exit code 2 when one was noted.

// Notes the exception being handled, unless one is noted already (the first
// tells most). Call it in a catch block only. Safe from any thread at once,
// and allocates nothing, so it may run where memory ran out.
void NoteCurrentException() noexcept;

// Whether an exception was noted since the last call; `line` then names it
// in one bounded line, "internal error: " and its what() or, for an exception
// of no standard type, a fixed text. The note is forgotten.
bool TakeEscapedException(std::string& line);

// From now on std::terminate (an exception through a noexcept function, or
// one that nothing caught) ends the process at once with `exitCode`, without
// the runtime's box: with `tell`, after "Vestrel: " and the line that names
// the exception on standard error (WriteErrorLine).
void EndOnTerminate(int exitCode, bool tell);
