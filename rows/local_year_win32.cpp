#include "rows/local_year.h"

#include <climits>

bool LocalYear(__time64_t now, int* year)
{
    if (now == -1)
        return false;
    std::tm local = {};
    if (_localtime64_s(&local, &now) != 0 || local.tm_year > INT_MAX - 1900)
        return false;
    *year = local.tm_year + 1900;
    return true;
}
