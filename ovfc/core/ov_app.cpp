#include "ovfc/core/ov_app.h"

#include <objbase.h>

#include "ovfc/core/ov_debug_zones.h"
#include "ovfc/core/ov_layer_hooks.h"
#include "ovfc/core/ov_message_loop.h"

namespace {

// Constant-initialised, so it is null before any static constructor runs.
OvApp* g_pApp = nullptr;

// The top of the platform's 1000-2200 range: the sharpest text.
constexpr UINT kFontSmoothingContrast = 2200;

}  // namespace

OvApp::OvApp()
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    UINT uContrast = kFontSmoothingContrast;
    SystemParametersInfoW(SPI_SETFONTSMOOTHINGCONTRAST, 0, &uContrast, 0);
    g_pApp = this;
}

// COM stays initialised: the process is about to end.
OvApp::~OvApp() { g_pApp = nullptr; }

bool OvApp::InitInstance() { return true; }

int OvApp::Run()
{
    MSG& msg = OvSharedMessage();
    for (;;) {
        // -1 (a failed retrieval) is treated like any other message.
        BOOL bQuitSignal = GetMessageW(&msg, nullptr, 0, 0) == 0;
        if (!OvQuitFlag() && bQuitSignal) OvSetQuitFlag();
        if (PreTranslateMessage(&msg)) {
            if (bQuitSignal) break;
            continue;
        }
        if (OvQuitFlag()) break;
        if (!FilterMouseMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        // A modal loop run by this dispatch may have retrieved WM_QUIT into
        // the shared record: its code is then the exit code.
        if (OvQuitFlag()) break;
    }
    return static_cast<int>(msg.wParam);
}

int OvApp::ExitInstance()
{
    // Nothing draws after this: what the layers above share goes before the
    // static destructors run.
    OvRunExitHooks();
    return 1;
}

bool OvApp::PreTranslateMessage(MSG*) { return false; }

OvApp* OvGetApp() { return g_pApp; }

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    OvDebugZones = OvReadDebugZones(TEXT("OVFC"));
    int nResult = -1;
    if (OvApp* pApp = OvGetApp()) {
        // Known before any window exists, so every dispatcher can compare
        // with it.
        GetClickMKeyMessage();
        if (pApp->InitInstance()) nResult = pApp->Run();
    }
    if (OvApp* pApp = OvGetApp()) pApp->ExitInstance();
    return nResult;
}
