// What the shaver window does after start-up: taps on its areas, the
// countdown, shake and prompt timers, switching the shaver on and off, and
// the phone's call, SMS, activation and proximity messages.

#include "app/shaver_main_wnd.h"

#include <objbase.h>
#include <platformmode.h>

#include <cstdlib>

#include "app/shaver_messages.h"
#include "services/accelerometer.h"
#include "services/ir_sensor.h"
#include "services/task_bar.h"

namespace {

const RECT kFullScreen = {0, 0, SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT};

constexpr UINT kCountdownPeriod = 1000;
constexpr UINT kShakePeriod = 300;
constexpr int kStartCountdown = 49;
// A change of more than this on some axis is a shake.
constexpr int kShakeThreshold = 5;

constexpr int kPromptX = 130, kPromptY = 625;

// What a call or SMS broadcast's wParam says.
constexpr WPARAM kNotificationBegins = 1;
constexpr WPARAM kNotificationEnds = 2;

bool InTopBand(int, int y) { return y <= 230; }
bool InSwitch(int x, int y) { return y >= 500 && y <= 650 && x >= 165 && x <= 315; }
bool InNearMark(int x, int y) { return y >= 400 && y <= 500 && x >= 200 && x <= 300; }
bool InExitCorner(int x, int y) { return x < 160 && y > 580; }

int Distance(signed char a, signed char b) { return std::abs(int(a) - int(b)); }

}  // namespace

LRESULT ShaverMainWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == g_nShaverUsbMessage) {
        if (wParam == 0) AnnounceUsbDiskMode();
    } else if (message == g_nShaverCallMessage || message == g_nShaverSmsMessage) {
        if (wParam == kNotificationBegins) {
            StopShaver();
            ShowTaskBar();
        } else if (wParam == kNotificationEnds) {
            HideTaskBar();
            RestorePlatformMode();
            DrawMainScreen();
        }
    } else if (message == WM_ACTIVATE) {
        if (wParam == WA_INACTIVE) {
            // A window of our own (the exit question) keeps the task bar away.
            HWND hForeground = GetForegroundWindow();
            if (hForeground != m_hWnd && GetParent(hForeground) != m_hWnd) ShowTaskBar();
        } else if (wParam == WA_ACTIVE) {
            HideTaskBar();
        }
    } else if (message == SHAVER_WM_PROXIMITY) {
        m_bNear = lParam != 0;
    }
    return COvCtrlWnd::WindowProc(message, wParam, lParam);
}

void ShaverMainWnd::OnLButtonDown(UINT nFlags, int x, int y)
{
    if (m_nPromptState < 10) {
        // The first tap, wherever it lands, only dismisses the prompt.
        m_nPromptState = SHAVER_PROMPT_DISMISSED;
        KillTimer(m_hWnd, SHAVER_TIMER_PROMPT);
        RunPromptFade();
        return;
    }
    if (InTopBand(x, y)) {
        m_bAltMode = !m_bAltMode;
        PlayControlSound(SHAVER_SOUND_MODE);
    } else if (InSwitch(x, y)) {
        m_bRunning = !m_bRunning;
        PlayControlSound(SHAVER_SOUND_SWITCH);
        if (m_bRunning)
            StartShaver();
        else
            StopShaver();
    } else if (InNearMark(x, y)) {
        m_bNeedNear = !m_bNeedNear;
    } else if (InExitCorner(x, y) && AskToLeave()) {
        RunCloseAnimation();
        PostQuitMessage(0);
        return;
    }
    DrawMainScreen();
    COvCtrlWnd::OnLButtonDown(nFlags, x, y);
}

void ShaverMainWnd::OnTimer(UINT_PTR nIDEvent)
{
    switch (nIDEvent) {
    case SHAVER_TIMER_COUNTDOWN:
        if (--m_nCountdown < 0) StopShaver();
        DrawMainScreen();
        break;
    case SHAVER_TIMER_SHAKE:
        CheckShake();
        break;
    case SHAVER_TIMER_PROMPT:
        if (m_nPromptState < 10) BlinkPrompt();
        break;
    default:
        break;
    }
}

void ShaverMainWnd::CheckShake()
{
    if (!m_bRunning) return;
    if (m_bNeedNear && !m_bNear) return;
    // Zero when the accelerometer could not be read, as is the baseline
    // then: the two are always defined values.
    signed char x = 0, y = 0, z = 0;
    AccRead(&x, &y, &z);
    if (Distance(x, m_accLast[0]) <= kShakeThreshold && Distance(y, m_accLast[1]) <= kShakeThreshold &&
        Distance(z, m_accLast[2]) <= kShakeThreshold)
        return;
    m_accLast[0] = x;
    m_accLast[1] = y;
    m_accLast[2] = z;
    PlayVariant(static_cast<UINT>(std::rand() % SHAVER_VARIANT_COUNT));
}

void ShaverMainWnd::BlinkPrompt()
{
    RestoreFromSave(&kFullScreen);
    OvImage& prompt = m_nPromptState == 1 ? m_imgPromptA : m_imgPromptB;
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(m_hdcBack, kPromptX, kPromptY, prompt.GetWidth(), prompt.GetHeight(), prompt.GetDC(), 0, 0,
        prompt.GetWidth(), prompt.GetHeight(), blend);
    BitBlt(m_hdcScreen, 0, 0, SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT, m_hdcBack, 0, 0, SRCCOPY);
    m_nPromptState = 1 - m_nPromptState;
}

void ShaverMainWnd::StartShaver()
{
    if (IrEnable(TRUE)) SetTimer(m_hWnd, SHAVER_TIMER_SHAKE, kShakePeriod, nullptr);
    SetTimer(m_hWnd, SHAVER_TIMER_COUNTDOWN, kCountdownPeriod, nullptr);
    m_nCountdown = kStartCountdown;
    AccOpen();
    AccRead(&m_accLast[0], &m_accLast[1], &m_accLast[2]);
}

void ShaverMainWnd::StopShaver()
{
    m_bRunning = FALSE;
    KillTimer(m_hWnd, SHAVER_TIMER_COUNTDOWN);
    KillTimer(m_hWnd, SHAVER_TIMER_SHAKE);
    AccClose();
    IrEnable(FALSE);
    PlaySoundW(nullptr, m_hResLib, SND_NOSTOP);
}

void ShaverMainWnd::RestorePlatformMode()
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IPlatformMode* pMode = nullptr;
    if (SUCCEEDED(CoCreateInstance(
            CLSID_PlatformMode, nullptr, CLSCTX_INPROC_SERVER, IID_IPlatformMode, reinterpret_cast<void**>(&pMode))) &&
        pMode) {
        pMode->SetOwnerWindow(m_hWnd);
        if (pMode->GetMediaMode() == 1) {
            pMode->SetAudioRoute(1);
            pMode->SetMediaMode(0);
        } else {
            pMode->SetMediaMode(1);
            pMode->SetAudioRoute(2);
        }
        pMode->Release();
    }
    CoUninitialize();
}
