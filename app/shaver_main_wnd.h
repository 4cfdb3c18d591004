// The shaver's one full-screen window: a shaver on the phone's screen, with
// its pictures, its screens (intro, blinking prompt, main screen stopped and
// running), its sounds, its animations and its reactions to taps, timers and
// the phone's notifications. Every visible change is composed in a back
// buffer and reaches the screen in one full-screen blit.
#pragma once

#include <windows.h>

#include <mmsystem.h>

#include "ovfc/core/ov_ctrl_wnd.h"
#include "ovfc/graphics/ov_image.h"

#define SHAVER_SCREEN_WIDTH 480
#define SHAVER_SCREEN_HEIGHT 720
#define SHAVER_VARIANT_COUNT 10
#define SHAVER_LEVEL_COUNT 5
#define SHAVER_CYCLE_COUNT 5

// The message the proximity sensor reports with: lParam non-zero while
// something is near.
#define SHAVER_WM_PROXIMITY 102

// The window's timers.
#define SHAVER_TIMER_COUNTDOWN 1
#define SHAVER_TIMER_SHAKE 2
#define SHAVER_TIMER_PROMPT 3

// m_nPromptState once the prompt was dismissed.
#define SHAVER_PROMPT_DISMISSED 100

// PlayControlSound kinds.
#define SHAVER_SOUND_MODE 1
#define SHAVER_SOUND_SWITCH 2

class ShaverMainWnd : public COvCtrlWnd {
public:
    ShaverMainWnd();
    ~ShaverMainWnd() override;

    LPCWSTR GetWndClassName() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnLButtonDown(UINT nFlags, int x, int y) override;
    void OnTimer(UINT_PTR nIDEvent) override;
    void OnPaint(HDC hdc, PAINTSTRUCT* pPaint) override;
    LRESULT OnInitDialog() override;

    void StartShaver();
    void StopShaver();
    void DrawMainScreen();
    void RestoreFromSave(const RECT* prc);
    void RunStartup();

    void LoadVariant(int nIndex, LPCWSTR pszFileName);
    BOOL OpenVariantChannels();
    void PlayVariant(UINT nIndex);
    void PlayControlSound(int nKind);

    void RunIntro();
    void RunPromptFade();
    void RunCloseAnimation();

    void RestorePlatformMode();

    // The state a person sees, for the window's tests and benchmarks.
    BOOL IsRunning() const { return m_bRunning; }
    BOOL IsAltMode() const { return m_bAltMode; }
    BOOL IsNear() const { return m_bNear; }
    BOOL NeedsNear() const { return m_bNeedNear; }
    int GetCountdown() const { return m_nCountdown; }
    int GetPromptState() const { return m_nPromptState; }
    LPCWSTR GetAppDir() const { return m_szAppDir; }
    const WAVEHDR& GetVariantHeader(int nIndex) const { return m_hdr[nIndex]; }
    const WAVEFORMATEX& GetVariantFormat(int nIndex) const { return m_wfx[nIndex]; }
    HWAVEOUT GetVariantChannel(int nIndex) const { return m_hWaveOut[nIndex]; }

    // Where the intro draws strip nStrip (whose own column starts at 60 x
    // nStrip) when its time parameter is fV.
    static POINT IntroStripOffset(float fV, int nStrip);

private:
    void LoadImages();
    void BlendImage(OvImage& image, int x, int y, BYTE bAlphaFormat);
    void PresentBack();
    void DrawCountdown();
    void BlinkPrompt();
    void CheckShake();
    BOOL AskToLeave();
    void AnnounceUsbDiskMode();
    void ReleaseVariantChannels();
    void ReleaseDrawing();

    HMODULE m_hResLib = nullptr;
    HDC m_hdcScreen = nullptr;
    HDC m_hdcSnapshot = nullptr;
    HDC m_hdcBack = nullptr;
    HDC m_hdcSave = nullptr;
    HBITMAP m_hbmSnapshot = nullptr;
    HBITMAP m_hbmBack = nullptr;
    HBITMAP m_hbmSave = nullptr;
    OvImage m_imgBackground;
    OvImage m_imgTopAltOn;
    OvImage m_imgTopAltOff;
    OvImage m_imgTop;
    OvImage m_imgSwitchOn;
    OvImage m_imgPanel;
    OvImage m_imgNearMark;
    OvImage m_imgPromptA;
    OvImage m_imgPromptB;
    OvImage m_imgLevel[SHAVER_LEVEL_COUNT];
    OvImage m_imgCycle[SHAVER_CYCLE_COUNT];
    BOOL m_bAltMode = FALSE;
    BOOL m_bRunning = FALSE;
    BOOL m_bNear = FALSE;
    BOOL m_bNeedNear = TRUE;
    int m_nCountdown = 50;
    signed char m_accLast[3] = {0, 0, 0};
    WAVEFORMATEX m_wfx[SHAVER_VARIANT_COUNT] = {};
    WAVEHDR m_hdr[SHAVER_VARIANT_COUNT] = {};
    HWAVEOUT m_hWaveOut[SHAVER_VARIANT_COUNT] = {};
    int m_nPromptState = 0;
    WCHAR m_szAppDir[MAX_PATH] = {};
    // What the window selected out of its memory DCs, put back before they go.
    HGDIOBJ m_hbmOldSnapshot = nullptr;
    HGDIOBJ m_hbmOldBack = nullptr;
    HGDIOBJ m_hbmOldSave = nullptr;
};
