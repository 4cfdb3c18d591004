#include "platform/kernel/language.h"

#include <atomic>

namespace platform::language {
namespace {

// Constant-initialised, so it is ready during static initialisation.
std::atomic<LANGID> current_language {0x0804};

}  // namespace

void set_ui_language(LANGID language) { current_language.store(language); }

LANGID ui_language() { return current_language.load(); }

}  // namespace platform::language

// The phone has one language setting; system and user, interface and
// locale all follow it.
LANGID GetUserDefaultUILanguage() { return platform::language::ui_language(); }
LANGID GetSystemDefaultUILanguage() { return platform::language::ui_language(); }
LANGID GetUserDefaultLangID() { return platform::language::ui_language(); }
LANGID GetSystemDefaultLangID() { return platform::language::ui_language(); }
