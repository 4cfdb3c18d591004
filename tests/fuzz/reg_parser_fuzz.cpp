// Feeds arbitrary bytes to the .reg parser. Whatever parses must also write
// out and read back to the same hive, and the written text must be stable.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/registry/reg_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace platform::registry;
    RegScript script;
    if (parse_reg_text(std::string_view(reinterpret_cast<const char*>(data), size), script)) return 0;
    Hive hive;
    apply_reg_script(script, hive);
    std::string text;
    {
        std::lock_guard lock(hive.mutex());
        text = write_reg_text(hive);
    }
    RegScript again;
    if (parse_reg_text(text, again)) std::abort();
    Hive copy;
    apply_reg_script(again, copy);
    if (!same_content(hive, copy)) std::abort();
    std::lock_guard lock(copy.mutex());
    if (write_reg_text(copy) != text) std::abort();
    return 0;
}
