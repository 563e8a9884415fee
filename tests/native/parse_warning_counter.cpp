#include "tests/native/parse_warning_counter.h"

#include "discovery/parse_warning.h"

namespace {
int g_count = 0;
}

void ShowParseWarning()
{
    ++g_count;
}

int ParseWarningCount()
{
    return g_count;
}
