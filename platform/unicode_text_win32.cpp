#include "platform/unicode_text.h"

#include <windows.h>

#include <climits>

namespace {

std::wstring WideFrom(UINT codePage, const std::string& text)
{
    if (text.empty() || text.size() > INT_MAX / 4)
        return std::wstring();
    const int length = static_cast<int>(text.size());
    const int wideLength = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (wideLength <= 0)
        return std::wstring();
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, &wide[0], wideLength);
    return wide;
}

std::string Utf8From(const std::wstring& wide)
{
    if (wide.empty() || wide.size() > INT_MAX / 4)
        return std::string();
    const int length = static_cast<int>(wide.size());
    const int utf8Length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (utf8Length <= 0)
        return std::string();
    std::string utf8(static_cast<std::size_t>(utf8Length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, &utf8[0], utf8Length, nullptr, nullptr);
    return utf8;
}

bool IsHighSurrogate(wchar_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(wchar_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Windows XP's converter has no flag that refuses unpaired surrogates.
bool IsUtf16(const std::wstring& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsLowSurrogate(text[i]))
            return false;
        if (IsHighSurrogate(text[i]) && (i + 1 == text.size() || !IsLowSurrogate(text[++i])))
            return false;
    }
    return true;
}

} // namespace

std::wstring WideFromUtf8(const std::string& text)
{
    return WideFrom(CP_UTF8, text);
}

bool Utf8FromWide(const std::wstring& text, std::string& utf8)
{
    if (!IsUtf16(text))
        return false;
    utf8 = Utf8From(text);
    return utf8.size() > 0 || text.empty();
}

std::string Utf8FromCodePage(const std::string& text)
{
    return Utf8From(WideFrom(CP_ACP, text));
}
