#pragma once

#include <windows.h>

#include <ctime>

// The calendar year of `now` by the local clock, as the download request
// carries it; false when the runtime cannot convert it (a clock before 1970
// or past what the runtime handles).
bool LocalYear(__time64_t now, int* year);
