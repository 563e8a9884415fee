#pragma once

#include <windows.h>

#include <vector>

// Runs `job` once for each of `parameters`, each on a thread of its own that
// reserves kScanThreadStack, and returns when every one has ended; a
// parameter that gets no thread is run here, in turn. The wait has no
// deadline: each job must end, which a job whose device calls each have one
// does. Threads, not C++ threads: the program runs on Windows XP.
void RunSideBySide(LPTHREAD_START_ROUTINE job, const std::vector<void*>& parameters);
