#include "platform/shell/platform_mode.h"

#include <mutex>
#include <string>

#include "platform/com/class_table.h"
#include "platform/com/com_object.h"
#include "platform/include/platformmode.h"
#include "platform/kernel/debug_output.h"
#include "platform/shell/shell_events.h"

template <> struct platform::com::InterfaceId<IPlatformMode> {
    static REFIID get() { return IID_IPlatformMode; }
};

namespace platform::shell {
namespace {

struct ModeStore {
    std::mutex mutex;
    PlatformModeState state;
};

ModeStore& store()
{
    static ModeStore* instance = new ModeStore;  // programs may use it during static destruction
    return *instance;
}

void trace(const std::string& text)
{
    std::string line = "[PlatformMode] " + text + "\n";
    platform::debug_output::write(std::u16string(line.begin(), line.end()));
}

class PlatformMode : public platform::com::Object<IPlatformMode> {
public:
    STDMETHODIMP SetOwnerWindow(HWND hWnd) override
    {
        {
            std::lock_guard lock(store().mutex);
            store().state.owner = hWnd;
        }
        trace("SetOwnerWindow(" + hex(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(hWnd))) + ")");
        return S_OK;
    }
    STDMETHODIMP Reserved2() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved3() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved4() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved5() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved6() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved7() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved8() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved9() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved10() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved11() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved12() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved13() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved14() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved15() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved16() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved17() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved18() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved19() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved20() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved21() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved22() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved23() override { return E_NOTIMPL; }
    STDMETHODIMP SetAudioRoute(DWORD dwRoute) override
    {
        if (dwRoute != 1 && dwRoute != 2) {
            trace("SetAudioRoute(" + std::to_string(dwRoute) + ") refused");
            return E_INVALIDARG;
        }
        {
            std::lock_guard lock(store().mutex);
            store().state.audio_route = dwRoute;
        }
        trace("SetAudioRoute(" + std::to_string(dwRoute) + ")");
        return S_OK;
    }
    STDMETHODIMP Reserved25() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved26() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved27() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved28() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved29() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved30() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved31() override { return E_NOTIMPL; }
    STDMETHODIMP_(DWORD) GetMediaMode() override
    {
        DWORD mode = platform_mode_state().media_mode;
        trace("GetMediaMode() = " + std::to_string(mode));
        return mode;
    }
    STDMETHODIMP SetMediaMode(DWORD dwOn) override
    {
        DWORD mode = dwOn ? 1 : 0;
        {
            std::lock_guard lock(store().mutex);
            store().state.media_mode = mode;
        }
        trace("SetMediaMode(" + std::to_string(mode) + ")");
        return S_OK;
    }
};

}  // namespace

void register_platform_mode()
{
    platform::com::register_class(CLSID_PlatformMode,
        [](REFIID riid, void** out) { return platform::com::create_instance<PlatformMode>(riid, out); });
}

PlatformModeState platform_mode_state()
{
    std::lock_guard lock(store().mutex);
    return store().state;
}

void reset_platform_mode()
{
    std::lock_guard lock(store().mutex);
    store().state = PlatformModeState {};
}

}  // namespace platform::shell
