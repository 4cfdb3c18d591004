// The phone's wide-character C runtime over UTF-16 WCHAR text. The host's
// own wide functions work on 32-bit wchar_t and cannot be used for it.
#include <climits>
#include <cstdarg>
#include <cstdint>

#include "platform/include/crtwide.h"
#include "platform/kernel/case_fold.h"
#include "platform/kernel/wide_format.h"

namespace {

const WCHAR empty_text[] = u"";

const WCHAR* or_empty(const WCHAR* text) { return text ? text : empty_text; }

bool is_space(WCHAR c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

int digit_value(WCHAR c)
{
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'z') return c - u'a' + 10;
    if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
    return 99;
}

// Parses [space][sign][0x]digits. A magnitude beyond 32 bits sets overflow;
// end is the first character not used (the start of the text when there are
// no digits).
struct ParsedNumber {
    unsigned long long magnitude = 0;
    bool negative = false;
    bool overflow = false;
    const WCHAR* end = nullptr;
};

ParsedNumber parse_number(const WCHAR* text, int base)
{
    ParsedNumber result;
    result.end = text;
    if (!text || base < 0 || base == 1 || base > 36) return result;
    const WCHAR* p = text;
    while (is_space(*p)) ++p;
    if (*p == u'-' || *p == u'+') result.negative = *p++ == u'-';
    if ((base == 0 || base == 16) && p[0] == u'0' && (p[1] == u'x' || p[1] == u'X') && digit_value(p[2]) < 16) {
        p += 2;
        base = 16;
    } else if (base == 0) {
        base = p[0] == u'0' ? 8 : 10;
    }
    const WCHAR* digits = p;
    for (; digit_value(*p) < base; ++p) {
        unsigned long long next = result.magnitude * base + digit_value(*p);
        if (next > 0xFFFFFFFFull)
            result.overflow = true;
        else
            result.magnitude = next;
    }
    if (p != digits) result.end = p;
    return result;
}

LONG clamp_signed(const ParsedNumber& number)
{
    if (number.negative) {
        if (number.overflow || number.magnitude > 0x80000000ull) return INT32_MIN;
        return static_cast<LONG>(-static_cast<long long>(number.magnitude));
    }
    if (number.overflow || number.magnitude > 0x7FFFFFFFull) return INT32_MAX;
    return static_cast<LONG>(number.magnitude);
}

int sign_of(int value) { return value < 0 ? -1 : value > 0 ? 1 : 0; }

}  // namespace

std::size_t wcslen(const WCHAR* string)
{
    std::size_t length = 0;
    if (string)
        while (string[length]) ++length;
    return length;
}

WCHAR* wcscpy(WCHAR* destination, const WCHAR* source)
{
    if (!destination) return nullptr;
    source = or_empty(source);
    WCHAR* out = destination;
    while ((*out++ = *source++) != 0) { }
    return destination;
}

WCHAR* wcsncpy(WCHAR* destination, const WCHAR* source, std::size_t count)
{
    if (!destination) return nullptr;
    source = or_empty(source);
    std::size_t i = 0;
    for (; i < count && source[i]; ++i) destination[i] = source[i];
    // Like the C function: the rest is filled with zeros, and no terminator
    // is added when the source fills the count.
    for (; i < count; ++i) destination[i] = 0;
    return destination;
}

WCHAR* wcscat(WCHAR* destination, const WCHAR* source)
{
    if (!destination) return nullptr;
    wcscpy(destination + wcslen(destination), source);
    return destination;
}

WCHAR* wcsncat(WCHAR* destination, const WCHAR* source, std::size_t count)
{
    if (!destination) return nullptr;
    source = or_empty(source);
    WCHAR* out = destination + wcslen(destination);
    for (std::size_t i = 0; i < count && source[i]; ++i) *out++ = source[i];
    *out = 0;
    return destination;
}

int wcscmp(const WCHAR* first, const WCHAR* second) { return wcsncmp(first, second, SIZE_MAX); }

int wcsncmp(const WCHAR* first, const WCHAR* second, std::size_t count)
{
    first = or_empty(first);
    second = or_empty(second);
    for (std::size_t i = 0; i < count; ++i) {
        if (first[i] != second[i]) return first[i] < second[i] ? -1 : 1;
        if (!first[i]) break;
    }
    return 0;
}

int _wcsicmp(const WCHAR* first, const WCHAR* second) { return _wcsnicmp(first, second, SIZE_MAX); }

int _wcsnicmp(const WCHAR* first, const WCHAR* second, std::size_t count)
{
    first = or_empty(first);
    second = or_empty(second);
    for (std::size_t i = 0; i < count; ++i) {
        WCHAR a = platform::fold_case(first[i]);
        WCHAR b = platform::fold_case(second[i]);
        if (a != b) return a < b ? -1 : 1;
        if (!a) break;
    }
    return 0;
}

const WCHAR* wcschr(const WCHAR* string, WCHAR character)
{
    if (!string) return nullptr;
    for (;; ++string) {
        if (*string == character) return string;
        if (!*string) return nullptr;
    }
}

WCHAR* wcschr(WCHAR* string, WCHAR character)
{
    return const_cast<WCHAR*>(wcschr(static_cast<const WCHAR*>(string), character));
}

const WCHAR* wcsrchr(const WCHAR* string, WCHAR character)
{
    if (!string) return nullptr;
    const WCHAR* found = nullptr;
    for (;; ++string) {
        if (*string == character) found = string;
        if (!*string) return found;
    }
}

WCHAR* wcsrchr(WCHAR* string, WCHAR character)
{
    return const_cast<WCHAR*>(wcsrchr(static_cast<const WCHAR*>(string), character));
}

const WCHAR* wcsstr(const WCHAR* string, const WCHAR* search)
{
    if (!string) return nullptr;
    search = or_empty(search);
    std::size_t search_length = wcslen(search);
    for (; *string; ++string)
        if (wcsncmp(string, search, search_length) == 0) return string;
    return search_length == 0 ? string : nullptr;
}

WCHAR* wcsstr(WCHAR* string, const WCHAR* search)
{
    return const_cast<WCHAR*>(wcsstr(static_cast<const WCHAR*>(string), search));
}

int _wtoi(const WCHAR* string) { return clamp_signed(parse_number(string, 10)); }

LONG _wtol(const WCHAR* string) { return clamp_signed(parse_number(string, 10)); }

LONG wcstol(const WCHAR* string, WCHAR** end, int base)
{
    ParsedNumber number = parse_number(string, base);
    if (end) *end = const_cast<WCHAR*>(number.end);
    return clamp_signed(number);
}

ULONG wcstoul(const WCHAR* string, WCHAR** end, int base)
{
    ParsedNumber number = parse_number(string, base);
    if (end) *end = const_cast<WCHAR*>(number.end);
    if (number.overflow) return 0xFFFFFFFFu;
    // As in C, a minus sign negates in unsigned arithmetic: "-1" is 0xFFFFFFFF.
    auto value = static_cast<ULONG>(number.magnitude);
    return number.negative ? 0u - value : value;
}

WCHAR towlower(WCHAR c) { return platform::lower_case(c); }

WCHAR towupper(WCHAR c) { return platform::upper_case(c); }

int lstrlenW(LPCWSTR lpString) { return static_cast<int>(wcslen(lpString)); }

LPWSTR lstrcpyW(LPWSTR lpString1, LPCWSTR lpString2)
{
    if (!lpString1 || !lpString2) return nullptr;
    return wcscpy(lpString1, lpString2);
}

LPWSTR lstrcatW(LPWSTR lpString1, LPCWSTR lpString2)
{
    if (!lpString1 || !lpString2) return nullptr;
    return wcscat(lpString1, lpString2);
}

int lstrcmpW(LPCWSTR lpString1, LPCWSTR lpString2)
{
    if (!lpString1 || !lpString2) return lpString1 ? 1 : lpString2 ? -1 : 0;
    // Letters compare without regard to case first; case decides only
    // between texts that are otherwise equal.
    int primary = sign_of(_wcsicmp(lpString1, lpString2));
    if (primary != 0) return primary;
    // Same letters: the first difference in case decides, lower case first.
    for (std::size_t i = 0; lpString1[i]; ++i) {
        if (lpString1[i] != lpString2[i]) return towlower(lpString1[i]) == lpString1[i] ? -1 : 1;
    }
    return 0;
}

int lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2)
{
    if (!lpString1 || !lpString2) return lpString1 ? 1 : lpString2 ? -1 : 0;
    return sign_of(_wcsicmp(lpString1, lpString2));
}

int wvsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, va_list arglist)
{
    if (!lpOut) return 0;
    // The phone's formatter writes at most 1024 characters, terminator included.
    std::u16string text;
    platform::format_wide(text, lpFmt, arglist, 1023);
    text.copy(lpOut, text.size());
    lpOut[text.size()] = 0;
    return static_cast<int>(text.size());
}

int wsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, ...)
{
    va_list arguments;
    va_start(arguments, lpFmt);
    int written = wvsprintfW(lpOut, lpFmt, arguments);
    va_end(arguments);
    return written;
}
