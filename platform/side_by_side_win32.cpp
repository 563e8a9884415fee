#include "platform/side_by_side.h"

#include "platform/timed_device_io.h"

#include <algorithm>

void RunSideBySide(LPTHREAD_START_ROUTINE job, const std::vector<void*>& parameters)
{
    // Room made first: no allocation may fail, and leave, once a thread runs.
    std::vector<HANDLE> threads;
    threads.reserve(parameters.size());
    for (void* parameter : parameters) {
        const HANDLE thread = CreateThread(nullptr, kScanThreadStack, job, parameter,
                                           STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (thread)
            threads.push_back(thread);
        else
            job(parameter);
    }
    for (std::size_t first = 0; first < threads.size(); first += MAXIMUM_WAIT_OBJECTS) {
        const std::size_t count =
            std::min<std::size_t>(threads.size() - first, MAXIMUM_WAIT_OBJECTS);
        WaitForMultipleObjects(static_cast<DWORD>(count), &threads[first], TRUE, INFINITE);
    }
    for (HANDLE thread : threads)
        CloseHandle(thread);
}
