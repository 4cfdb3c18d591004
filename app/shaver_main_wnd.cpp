// The shaver window's life: construction, initialisation (DCs, back
// buffers, the snapshot of the screen as it was), the first paint that runs
// the start-up, the composition of the main screen, and destruction.

#include "app/shaver_main_wnd.h"

#include <crtwide.h>

#include "app/shaver_messages.h"
#include "ovfc/graphics/ov_font.h"
#include "services/call_sms_messages.h"
#include "services/ir_sensor.h"
#include "services/task_bar.h"
#include "services/usb_notify.h"

namespace {

const RECT kMainRect = {0, 0, SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT};
const RECT kPaintRect = {0, 0, SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT};

// Start-up runs inside the first paint of the process, once.
BYTE g_bFirstPaint = 1;

// The countdown in the running panel.
constexpr COLORREF kCountdownColor = 0x527681;
constexpr int kCountdownFontHeight = 44;
const RECT kCountdownRect = {200, 320, 260, 380};
constexpr UINT kCountdownFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;

// Where the pictures go on the main screen.
constexpr int kTopX = 63, kTopY = 0;
constexpr int kSwitchX = 165, kSwitchY = 498;
constexpr int kNearMarkX = 213, kNearMarkY = 413;
constexpr int kPanelX = 130, kPanelY = 227;
constexpr int kLevelX = 145, kLevelY = 249;
constexpr int kCycleX = 255, kCycleY = 240;

constexpr BYTE kOpaque = 0;
constexpr BYTE kPerPixel = AC_SRC_ALPHA;

// Resource ids of the pictures, in the order start-up loads them.
constexpr UINT kPictureIntro = 101;
constexpr UINT kPictureMain = 102;
constexpr UINT kPictureSwitchOn = 103;
constexpr UINT kPictureNearMark = 104;
constexpr UINT kPicturePanel = 105;
constexpr UINT kPictureTopAltOff = 106;
constexpr UINT kPictureTop = 107;
constexpr UINT kPictureTopAltOn = 108;
constexpr UINT kPictureLevels[SHAVER_LEVEL_COUNT] = {109, 110, 111, 112, 113};
constexpr UINT kPictureCycles[SHAVER_CYCLE_COUNT] = {115, 116, 117, 118, 114};
constexpr UINT kPicturePromptA = 119;
constexpr UINT kPicturePromptB = 120;

BOOL LoadPicture(OvImage& image, HMODULE hModule, UINT nId)
{
    return image.LoadFromResource(hModule, 10 /* RT_RCDATA */, nId, 1, 1, 1);
}

}  // namespace

UINT g_nShaverCallMessage = 0;
UINT g_nShaverSmsMessage = 0;
UINT g_nShaverUsbMessage = 0xFFFFFFFF;

void ShaverForgetFirstPaint() { g_bFirstPaint = 1; }

ShaverMainWnd::ShaverMainWnd()
{
    m_hResLib = LoadLibraryW(TEXT("BrisellRes.dll"));
    DWORD nLength = GetModuleFileNameW(nullptr, m_szAppDir, MAX_PATH);
    if (nLength >= MAX_PATH) nLength = MAX_PATH - 1;
    m_szAppDir[nLength] = 0;
    for (DWORD i = nLength; i >= 1; --i) {
        if (m_szAppDir[i] == '\\') {
            m_szAppDir[i + 1] = 0;
            break;
        }
    }
    // Whatever played before the shaver started stops.
    PlaySoundW(nullptr, m_hResLib, SND_NOSTOP);
}

ShaverMainWnd::~ShaverMainWnd()
{
    IrUnregisterWindow(m_hWnd);
    StopShaver();
    ShowTaskBar();
    ReleaseVariantChannels();
    ReleaseDrawing();
    if (m_hResLib) FreeLibrary(m_hResLib);
    m_hResLib = nullptr;
}

LPCWSTR ShaverMainWnd::GetWndClassName() { return TEXT("CVelmorMainWnd"); }

LRESULT ShaverMainWnd::OnInitDialog()
{
    if (!COvCtrlWnd::OnInitDialog()) return 0;
    IrRegisterWindow(m_hWnd, SHAVER_WM_PROXIMITY);
    g_nShaverCallMessage = GetCallMessage();
    g_nShaverSmsMessage = GetSmsMessage();
    g_nShaverUsbMessage = UsbRegisterNotify();

    m_hdcScreen = GetDC(m_hWnd);
    m_hdcSnapshot = CreateCompatibleDC(m_hdcScreen);
    m_hdcBack = CreateCompatibleDC(m_hdcScreen);
    m_hdcSave = CreateCompatibleDC(m_hdcScreen);
    m_hbmSnapshot = CreateCompatibleBitmap(m_hdcScreen, SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT);
    m_hbmBack = CreateCompatibleBitmap(m_hdcScreen, SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT);
    m_hbmSave = CreateCompatibleBitmap(m_hdcScreen, SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT);
    m_hbmOldBack = SelectObject(m_hdcBack, m_hbmBack);
    m_hbmOldSave = SelectObject(m_hdcSave, m_hbmSave);
    m_hbmOldSnapshot = SelectObject(m_hdcSnapshot, m_hbmSnapshot);
    SetBkMode(m_hdcBack, TRANSPARENT);
    SetTextColor(m_hdcBack, 0);
    SetBkMode(m_hdcSave, TRANSPARENT);
    SetTextColor(m_hdcSave, 0);

    LoadPicture(m_imgBackground, m_hResLib, kPictureIntro);
    // The window is not shown yet: the screen still shows what was there
    // before the program, which the intro tears away.
    BitBlt(m_hdcSnapshot, 0, 0, SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT, m_hdcScreen, 0, 0, SRCCOPY);
    return 1;
}

void ShaverMainWnd::OnPaint(HDC, PAINTSTRUCT*)
{
    if (g_bFirstPaint) {
        HideTaskBar();
        RunStartup();
        g_bFirstPaint = 0;
        return;
    }
    BitBlt(m_hdcScreen, kPaintRect.left, kPaintRect.top, kPaintRect.right, kPaintRect.bottom, m_hdcBack,
        kPaintRect.left, kPaintRect.top, SRCCOPY);
}

void ShaverMainWnd::RunStartup()
{
    RunIntro();
    LoadImages();
    for (int i = 0; i < SHAVER_VARIANT_COUNT; ++i) {
        WCHAR szName[32];
        wsprintfW(szName, TEXT("shaver_v%d.wav"), i + 1);
        LoadVariant(i, szName);
    }
    if (!OpenVariantChannels()) return;
    BitBlt(m_hdcSave, 0, 0, SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT, m_hdcBack, 0, 0, SRCCOPY);
    SetTimer(m_hWnd, SHAVER_TIMER_PROMPT, 500, nullptr);
}

void ShaverMainWnd::LoadImages()
{
    LoadPicture(m_imgBackground, m_hResLib, kPictureMain);
    LoadPicture(m_imgSwitchOn, m_hResLib, kPictureSwitchOn);
    LoadPicture(m_imgTopAltOn, m_hResLib, kPictureTopAltOn);
    LoadPicture(m_imgTopAltOff, m_hResLib, kPictureTopAltOff);
    LoadPicture(m_imgTop, m_hResLib, kPictureTop);
    LoadPicture(m_imgPanel, m_hResLib, kPicturePanel);
    LoadPicture(m_imgNearMark, m_hResLib, kPictureNearMark);
    for (int i = 0; i < SHAVER_LEVEL_COUNT; ++i) LoadPicture(m_imgLevel[i], m_hResLib, kPictureLevels[i]);
    for (int i = 0; i < SHAVER_CYCLE_COUNT; ++i) LoadPicture(m_imgCycle[i], m_hResLib, kPictureCycles[i]);
    LoadPicture(m_imgPromptA, m_hResLib, kPicturePromptA);
    LoadPicture(m_imgPromptB, m_hResLib, kPicturePromptB);
}

void ShaverMainWnd::BlendImage(OvImage& image, int x, int y, BYTE bAlphaFormat)
{
    // An image that failed to load has no DC: the blend fails and nothing
    // is drawn.
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, bAlphaFormat};
    int nWidth = image.GetWidth(), nHeight = image.GetHeight();
    AlphaBlend(m_hdcBack, x, y, nWidth, nHeight, image.GetDC(), 0, 0, nWidth, nHeight, blend);
}

void ShaverMainWnd::PresentBack()
{
    // Same size on both sides: a plain copy, the cheapest way to the screen.
    BitBlt(m_hdcScreen, kMainRect.left, kMainRect.top, kMainRect.right, kMainRect.bottom, m_hdcBack, kMainRect.left,
        kMainRect.top, SRCCOPY);
}

void ShaverMainWnd::RestoreFromSave(const RECT* prc)
{
    BitBlt(m_hdcBack, prc->left, prc->top, prc->right - prc->left, prc->bottom - prc->top, m_hdcSave, prc->left,
        prc->top, SRCCOPY);
}

void ShaverMainWnd::DrawMainScreen()
{
    BLENDFUNCTION opaque = {AC_SRC_OVER, 0, 255, kOpaque};
    AlphaBlend(m_hdcBack, 0, 0, kMainRect.right, kMainRect.bottom, m_imgBackground.GetDC(), 0, 0, kMainRect.right,
        kMainRect.bottom, opaque);
    if (m_bAltMode)
        BlendImage(m_bRunning ? m_imgTopAltOn : m_imgTopAltOff, kTopX, kTopY, kPerPixel);
    else
        BlendImage(m_imgTop, kTopX, kTopY, kPerPixel);
    if (m_bRunning) {
        BlendImage(m_imgPanel, kPanelX, kPanelY, kPerPixel);
        BlendImage(m_imgSwitchOn, kSwitchX, kSwitchY, kPerPixel);
        BlendImage(m_imgLevel[m_nCountdown / 10], kLevelX, kLevelY, kPerPixel);
        BlendImage(m_imgCycle[(m_nCountdown + 1) % 5], kCycleX, kCycleY, kPerPixel);
        DrawCountdown();
    }
    if (m_bNeedNear) BlendImage(m_imgNearMark, kNearMarkX, kNearMarkY, kPerPixel);
    PresentBack();
}

void ShaverMainWnd::DrawCountdown()
{
    SetTextColor(m_hdcBack, kCountdownColor);
    HGDIOBJ hOldFont = SelectObject(m_hdcBack, OvGetFont(kCountdownFontHeight, 400, 0, 0, 0, 4));
    SetBkMode(m_hdcBack, TRANSPARENT);
    WCHAR szText[16];
    wsprintfW(szText, TEXT("%2.2d"), m_nCountdown + 1);
    RECT rc = kCountdownRect;
    OvDrawText(m_hdcBack, szText, &rc, kCountdownFormat);
    SelectObject(m_hdcBack, hOldFont);
}

void ShaverMainWnd::ReleaseDrawing()
{
    // The bitmaps leave their DCs before either goes.
    if (m_hdcSnapshot && m_hbmOldSnapshot) SelectObject(m_hdcSnapshot, m_hbmOldSnapshot);
    if (m_hdcBack && m_hbmOldBack) SelectObject(m_hdcBack, m_hbmOldBack);
    if (m_hdcSave && m_hbmOldSave) SelectObject(m_hdcSave, m_hbmOldSave);
    if (m_hbmSnapshot) DeleteObject(m_hbmSnapshot);
    if (m_hbmBack) DeleteObject(m_hbmBack);
    if (m_hbmSave) DeleteObject(m_hbmSave);
    if (m_hdcSnapshot) DeleteDC(m_hdcSnapshot);
    if (m_hdcBack) DeleteDC(m_hdcBack);
    if (m_hdcSave) DeleteDC(m_hdcSave);
    if (m_hdcScreen) ReleaseDC(m_hWnd, m_hdcScreen);
    m_hbmSnapshot = m_hbmBack = m_hbmSave = nullptr;
    m_hdcSnapshot = m_hdcBack = m_hdcSave = m_hdcScreen = nullptr;
}
