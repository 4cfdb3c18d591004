#include "platform/files/case_fold.h"

#include <vector>

namespace platform::files {

char16_t fold_case(char16_t c)
{
    if (c < 0x80) return (c >= u'A' && c <= u'Z') ? char16_t(c + 0x20) : c;
    // Latin-1: À..Þ except the multiplication sign.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return char16_t(c + 0x20);
    // Latin Extended-A pairs upper/lower as even/odd, except in the two runs
    // where the pairing starts on an odd code point.
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
        bool odd_upper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (odd_upper) return (c & 1) ? char16_t(c + 1) : c;
        return (c & 1) ? c : char16_t(c + 1);
    }
    if (c == 0x178) return 0xFF;
    // Greek capitals (0x3A2 is unassigned).
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return char16_t(c + 0x20);
    // Cyrillic: Ѐ..Џ, then А..Я.
    if (c >= 0x400 && c <= 0x40F) return char16_t(c + 0x50);
    if (c >= 0x410 && c <= 0x42F) return char16_t(c + 0x20);
    // Full-width Ａ..Ｚ, common in Chinese file names.
    if (c >= 0xFF21 && c <= 0xFF3A) return char16_t(c + 0x20);
    return c;
}

std::u16string fold_case(std::u16string_view text)
{
    std::u16string folded(text);
    for (auto& c : folded) c = fold_case(c);
    return folded;
}

bool equal_ignoring_case(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fold_case(a[i]) != fold_case(b[i])) return false;
    return true;
}

bool wildcard_match(std::u16string_view pattern, std::u16string_view name)
{
    // Iterative matching with one back-tracking point per '*': linear in
    // practice and never recursive, whatever the pattern.
    std::size_t p = 0, n = 0;
    std::size_t star = std::u16string_view::npos, star_name = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || fold_case(pattern[p]) == fold_case(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            star_name = n;
        } else if (star != std::u16string_view::npos) {
            p = star + 1;
            n = ++star_name;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

}  // namespace platform::files
