#include "platform/files/device_opener.h"

#include <mutex>

#include "platform/files/case_fold.h"
#include "platform/include/winbase.h"

namespace platform::files {
namespace {

struct OpenerSlot {
    std::mutex mutex;
    DeviceOpener opener;
};

OpenerSlot& opener_slot()
{
    static OpenerSlot slot;
    return slot;
}

bool is_ascii_letter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

bool starts_with_ignoring_case(std::u16string_view text, std::u16string_view prefix)
{
    return text.size() >= prefix.size() && equal_ignoring_case(text.substr(0, prefix.size()), prefix);
}

}  // namespace

void set_device_opener(DeviceOpener opener)
{
    auto& slot = opener_slot();
    std::lock_guard lock(slot.mutex);
    slot.opener = std::move(opener);
}

bool is_device_name(std::u16string_view name)
{
    if (name.size() == 5 && is_ascii_letter(name[0]) && is_ascii_letter(name[1]) && is_ascii_letter(name[2]) &&
        name[3] >= u'0' && name[3] <= u'9' && name[4] == u':')
        return true;
    if (!name.empty() && name[0] == u'\\') name.remove_prefix(1);
    return starts_with_ignoring_case(name, u"$bus\\") || starts_with_ignoring_case(name, u"$device\\");
}

HANDLE open_device(std::u16string_view name, DWORD access, DWORD share, DWORD disposition, DWORD flags_and_attributes)
{
    DeviceOpener opener;
    {
        auto& slot = opener_slot();
        std::lock_guard lock(slot.mutex);
        opener = slot.opener;
    }
    if (!opener) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return opener(name, access, share, disposition, flags_and_attributes);
}

}  // namespace platform::files
