#include "identify/device_names.h"

#include <algorithm>

namespace {

constexpr std::size_t kMostDigits = 6;

// The number a name's digits spell; -1 for none, a leading zero, or too many.
int NumberOf(const std::string& digits)
{
    if (digits.empty() || digits.size() > kMostDigits || (digits[0] == '0' && digits.size() > 1))
        return -1;
    int number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        number = number * 10 + (c - '0');
    }
    return number;
}

} // namespace

std::vector<int> NumbersOfNames(const std::vector<std::string>& names, const std::string& prefix,
                                const std::string& suffix)
{
    std::vector<int> numbers;
    for (const std::string& name : names) {
        if (name.size() <= prefix.size() + suffix.size() ||
            name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const int number =
            NumberOf(name.substr(prefix.size(), name.size() - prefix.size() - suffix.size()));
        if (number >= 0)
            numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}
