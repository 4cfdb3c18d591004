#include "platform/files/case_fold.h"

namespace platform::files {

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
