// The phone's one rule for comparing text without regard to case.
//
// File names, registry keys and values, module and resource names, window
// classes and the wide runtime's case-insensitive functions all fold through
// here, so a name that matches in one place matches in all of them.
//
// The rule is simple case folding: each UTF-16 unit folds to exactly one
// unit, as the Unicode case-folding data gives it for the letters with a
// one-to-one mapping (the "common" and "simple" entries). Lengths never
// change, so comparing needs no allocation, and folding is stable across
// Unicode versions for the letters it covers. Letters whose folding takes
// several characters (ß to "ss", İ to "i̇") stay as they are, as they do in
// the phone's file system. It covers Latin (Basic, Latin-1, Extended-A to D,
// IPA, Extended Additional), Greek and Coptic, Cyrillic (with its supplement
// and extensions), Armenian and the full-width Latin letters; a pair is
// covered only when both of its letters are, and everything else folds to
// itself.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The unit names compare by: the small letter of a pair, and one chosen
// letter for the variants that fold together (µ, ſ, ς fold to μ, s, σ).
char16_t fold_case(char16_t c);
std::u16string fold_case(std::u16string_view text);

// Case mapping, for towlower and towupper: the letter's own small or capital
// form, which unlike folding leaves ſ and ς alone when lowering.
char16_t lower_case(char16_t c);
char16_t upper_case(char16_t c);

bool equal_ignoring_case(std::u16string_view a, std::u16string_view b);
// Negative, zero or positive as a orders before, with or after b once both
// are folded; a prefix orders first.
int compare_ignoring_case(std::u16string_view a, std::u16string_view b);

}  // namespace platform
