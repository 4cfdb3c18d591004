// The phone's C runtime for UTF-16 text.
//
// The host's wchar_t is 32 bits wide, so the runtime's wide functions are
// supplied here again over WCHAR, as overloads beside the host's own. Null
// pointers are treated as empty texts (and a null destination is left alone)
// instead of faulting. Case mapping covers Latin-1, Latin Extended-A, Greek,
// Cyrillic and the full-width Latin letters.
#pragma once

#include <cstdarg>
// The host's own declarations come first, so that the standard library's
// references to them (std::wcstoul and the like) are not made ambiguous by
// the overloads below.
#include <cwchar>
#include <cwctype>

#include "winerror.h"
#include "wintypes.h"

std::size_t wcslen(const WCHAR* string);
WCHAR* wcscpy(WCHAR* destination, const WCHAR* source);
WCHAR* wcsncpy(WCHAR* destination, const WCHAR* source, std::size_t count);
WCHAR* wcscat(WCHAR* destination, const WCHAR* source);
WCHAR* wcsncat(WCHAR* destination, const WCHAR* source, std::size_t count);
int wcscmp(const WCHAR* first, const WCHAR* second);
int wcsncmp(const WCHAR* first, const WCHAR* second, std::size_t count);
int _wcsicmp(const WCHAR* first, const WCHAR* second);
int _wcsnicmp(const WCHAR* first, const WCHAR* second, std::size_t count);
const WCHAR* wcschr(const WCHAR* string, WCHAR character);
WCHAR* wcschr(WCHAR* string, WCHAR character);
const WCHAR* wcsrchr(const WCHAR* string, WCHAR character);
WCHAR* wcsrchr(WCHAR* string, WCHAR character);
const WCHAR* wcsstr(const WCHAR* string, const WCHAR* search);
WCHAR* wcsstr(WCHAR* string, const WCHAR* search);

// Decimal conversions clamp to the 32-bit range on overflow, as the phone's
// long is 32 bits wide.
int _wtoi(const WCHAR* string);
LONG _wtol(const WCHAR* string);
ULONG wcstoul(const WCHAR* string, WCHAR** end, int base);
LONG wcstol(const WCHAR* string, WCHAR** end, int base);

WCHAR towlower(WCHAR character);
WCHAR towupper(WCHAR character);

// The lstr* family tolerates null pointers as the phone's does: lengths and
// comparisons treat null as less than any text, copies return null.
// lstrcmpW orders letters alphabetically with lower case before upper case
// ("a" < "A" < "b" < "B"), like the phone's linguistic comparison.
int lstrlenW(LPCWSTR lpString);
LPWSTR lstrcpyW(LPWSTR lpString1, LPCWSTR lpString2);
LPWSTR lstrcatW(LPWSTR lpString1, LPCWSTR lpString2);
int lstrcmpW(LPCWSTR lpString1, LPCWSTR lpString2);
int lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2);

// Formats into lpOut, which must hold 1024 characters: like the phone's,
// output stops at 1023 characters plus the terminator. Returns the number of
// characters written, terminator excluded. Conversions: %d %i %u %x %X %c %s
// (a WCHAR string; null prints "(null)"), %S and %hs (a char string), %%,
// with the flags '-', '0' and '#', a width and a precision; 'l' is 32-bit as
// on the phone, 'I64' and 'll' are 64-bit. Anything else is copied as
// written.
int wsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, ...);
int wvsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, va_list arglist);
