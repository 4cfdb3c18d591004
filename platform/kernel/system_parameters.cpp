#include "platform/kernel/system_parameters.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>

namespace platform::system_parameters {
namespace {

constexpr UINT lowest_contrast = 1000;
constexpr UINT highest_contrast = 2200;

struct Settings {
    std::mutex mutex;
    std::u16string device_identification = u"Velmor Phone";
    UINT font_smoothing_contrast = 1400;
    std::map<UINT, Handler> extra_actions;
};

// The application sets the contrast while static objects are constructed,
// so the settings must exist before any namespace-scope object would.
Settings& settings()
{
    static Settings* instance = new Settings;  // never destroyed: static destructors may still ask
    return *instance;
}

// Copies text with its terminator into a buffer of buffer_bytes bytes.
BOOL copy_text(const std::u16string& text, UINT buffer_bytes, PVOID buffer)
{
    if (!buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::size_t needed = (text.size() + 1) * sizeof(WCHAR);
    if (buffer_bytes < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer, text.c_str(), needed);
    return TRUE;
}

}  // namespace

void set_device_identification(std::u16string text)
{
    std::lock_guard lock(settings().mutex);
    settings().device_identification = std::move(text);
}

std::u16string device_identification()
{
    std::lock_guard lock(settings().mutex);
    return settings().device_identification;
}

UINT font_smoothing_contrast()
{
    std::lock_guard lock(settings().mutex);
    return settings().font_smoothing_contrast;
}

void register_action(UINT action, Handler handler)
{
    std::lock_guard lock(settings().mutex);
    settings().extra_actions[action] = std::move(handler);
}

}  // namespace platform::system_parameters

BOOL SystemParametersInfoW(UINT uiAction, UINT uiParam, PVOID pvParam, UINT fWinIni)
{
    using namespace platform::system_parameters;
    Handler extra;
    {
        std::lock_guard lock(settings().mutex);
        auto it = settings().extra_actions.find(uiAction);
        if (it != settings().extra_actions.end()) extra = it->second;
    }
    if (extra) return extra(uiParam, pvParam, fWinIni);

    switch (uiAction) {
    case SPI_GETFONTSMOOTHINGCONTRAST:
        if (!pvParam) break;
        *static_cast<UINT*>(pvParam) = font_smoothing_contrast();
        return TRUE;
    case SPI_SETFONTSMOOTHINGCONTRAST: {
        // The phone takes the new value through a pointer; desktop code
        // passes the value itself, which as an address would lie in the
        // never-mapped first 64 KB, so both are understood. There is no
        // permanent store, so SPIF_UPDATEINIFILE changes nothing more.
        auto raw = reinterpret_cast<std::uintptr_t>(pvParam);
        UINT contrast = raw < 0x10000 ? static_cast<UINT>(raw) : *static_cast<const UINT*>(pvParam);
        if (contrast < lowest_contrast || contrast > highest_contrast) break;
        std::lock_guard lock(settings().mutex);
        settings().font_smoothing_contrast = contrast;
        return TRUE;
    }
    case SPI_GETOEMINFO:
    case SPI_GETPLATFORMNAME:
        return copy_text(device_identification(), uiParam, pvParam);
    case SPI_GETPLATFORMTYPE:
        return copy_text(u"PocketPC", uiParam, pvParam);
    default:
        break;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}
