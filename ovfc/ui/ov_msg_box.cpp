#include "ovfc/ui/ov_msg_box.h"

#include <new>

#include "ovfc/graphics/ov_dc_helpers.h"
#include "ovfc/graphics/ov_font.h"
#include "services/shell_messages.h"
#include "services/shell_notify.h"

namespace {

constexpr LANGID kChinese = 0x0804;
constexpr LANGID kEnglish = 0x0409;

constexpr int kPanelWidth = 428;
constexpr int kPanelHeight = 280;
constexpr int kPanelPadding = 20;
constexpr int kTextWidth = 388;
constexpr int kTextHeight = 150;
// The text block sits a little above the middle of its box.
constexpr int kTextRaise = 5;
constexpr int kMessageFontHeight = 30;

constexpr int kButtonHeight = 75;
constexpr int kButtonFontHeight = 26;
constexpr int kButtonStyle = 1;
constexpr COLORREF kWhite = 0x00FFFFFF;

// What the box announces to the shell while it is up.
constexpr DWORD kShellPopupShown = 20;
constexpr DWORD kShellPopupFront = 1;

struct Label {
    LPCWSTR pszChinese;
    LPCWSTR pszEnglish;
};
constexpr Label kOk = {u"确认", u"OK"};
constexpr Label kCancel = {u"取消", u"Cancel"};
constexpr Label kRetry = {u"重试", u"Retry"};
constexpr Label kAbort = {u"中止", u"Abort"};
constexpr Label kYes = {u"是", u"Yes"};
constexpr Label kNo = {u"否", u"No"};

LPCWSTR LabelFor(const Label& label, LANGID language)
{
    return language == kChinese ? label.pszChinese : label.pszEnglish;
}

// Only an English phone says "Ignore"; every other language keeps the
// Chinese word.
LPCWSTR IgnoreLabelFor(LANGID language) { return language == kEnglish ? u"Ignore" : u"忽略"; }

// A registered number of 0 means the shell's message is unavailable; it must
// not be taken for WM_NULL, which EndModal itself posts.
bool IsShellMessage(UINT message, UINT registered) { return registered != 0 && message == registered; }

}  // namespace

COvMsgBoxWnd::COvMsgBoxWnd(LPCWSTR pszText, LPCWSTR pszCaption, int nStyle, int nMKeyResponse)
    : m_pszText(pszText)
    , m_pszCaption(pszCaption)
    , m_nStyle(nStyle)
{
    SetMKeyResponse(nMKeyResponse);
}

COvMsgBoxWnd::~COvMsgBoxWnd()
{
    if (m_hSnapshotDC) {
        SelectObject(m_hSnapshotDC, m_hSnapshotOld);
        DeleteDC(m_hSnapshotDC);
        DeleteObject(m_hSnapshotBitmap);
    }
    ShellNotifyClear(m_hWnd, kShellPopupFront);
}

int COvMsgBoxWnd::ResultOfButton(int nId)
{
    switch (nId) {
    case OVMB_ID_OK:
    case OVMB_ID_YES_OK:
    case OVMB_ID_RETRY:
        return OVMB_RESULT_POSITIVE;
    case OVMB_ID_CANCEL:
    case OVMB_ID_NO_CANCEL:
    case OVMB_ID_ABORT:
        return OVMB_RESULT_NEGATIVE;
    case OVMB_ID_IGNORE:
        return OVMB_RESULT_IGNORE;
    default:
        return -1;
    }
}

void COvMsgBoxWnd::AddButton(UiTextButton& button, int x, int width, int y, LPCWSTR pszLabel, int nId)
{
    button.SetPos(x, y, width, kButtonHeight, 0);
    button.SetFontHeight(kButtonFontHeight);
    button.SetTextColor(kWhite);
    button.SetButtonStyle(kButtonStyle);
    button.SetText(pszLabel);
    button.SetID(nId);
    AddUiWin(&button);
}

void COvMsgBoxWnd::BuildButtons()
{
    int W = GetClientWidth();
    int H = GetClientHeight();
    int b = (W - kPanelWidth) / 2;
    int y = H / 2 + 26;
    LANGID language = GetUserDefaultUILanguage();
    switch (m_nStyle) {
    case OVMB_OK:
        AddButton(m_buttonA, b + 20, 384, y, LabelFor(kOk, language), OVMB_ID_OK);
        break;
    case OVMB_OKCANCEL:
        AddButton(m_buttonA, b + 20, 200, y, LabelFor(kOk, language), OVMB_ID_YES_OK);
        AddButton(m_buttonC, W - b - 220, 200, y, LabelFor(kCancel, language), OVMB_ID_NO_CANCEL);
        break;
    case OVMB_RETRYABORTIGNORE:
        AddButton(m_buttonA, W / 2 - 70, 140, y, LabelFor(kRetry, language), OVMB_ID_RETRY);
        AddButton(m_buttonC, b + 20, 140, y, LabelFor(kAbort, language), OVMB_ID_ABORT);
        AddButton(m_buttonB, W - b - 160, 140, y, IgnoreLabelFor(language), OVMB_ID_IGNORE);
        break;
    case OVMB_YESNOCANCEL:
        AddButton(m_buttonA, W / 2 - 70, 140, y, LabelFor(kYes, language), OVMB_ID_YES_OK);
        AddButton(m_buttonC, b + 20, 140, y, LabelFor(kNo, language), OVMB_ID_NO_CANCEL);
        AddButton(m_buttonB, W - b - 160, 140, y, LabelFor(kCancel, language), OVMB_ID_CANCEL);
        break;
    case OVMB_YESNO:
        AddButton(m_buttonA, b + 20, 200, y, LabelFor(kYes, language), OVMB_ID_YES_OK);
        AddButton(m_buttonC, W - b - 220, 200, y, LabelFor(kNo, language), OVMB_ID_NO_CANCEL);
        break;
    case OVMB_RETRYCANCEL:
        AddButton(m_buttonA, W - b - 220, 200, y, LabelFor(kRetry, language), OVMB_ID_RETRY);
        AddButton(m_buttonC, b + 20, 200, y, LabelFor(kCancel, language), OVMB_ID_CANCEL);
        break;
    default:
        // An unknown set shows no buttons; only the platform can close it.
        break;
    }
}

LRESULT COvMsgBoxWnd::OnInitDialog()
{
    if (!COvCtrlWnd::OnInitDialog()) return 0;
    BuildButtons();
    ShellNotifySet(m_hWnd, kShellPopupShown);
    SetForegroundWindow(m_hWnd);
    ShellNotifySet(m_hWnd, kShellPopupFront);
    return 1;
}

LRESULT COvMsgBoxWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == OVWM_MSGBOX_PLATFORM) {
        if (lParam == 1) EndModal(OVMB_RESULT_NONE);
        return 0;
    }
    if (IsShellMessage(message, GetEntryLockphoneMessage()) || IsShellMessage(message, GetEntryShutDownMessage())) {
        EndModal(OVMB_RESULT_NONE);
        return 0;
    }
    return COvCtrlWnd::WindowProc(message, wParam, lParam);
}

void COvMsgBoxWnd::OnUiCommand(WPARAM wParam, LPARAM)
{
    // The high word is the tap kind: a double tap answers like a single one.
    int nResult = ResultOfButton(static_cast<int>(wParam & 0xFFFF));
    if (nResult >= 0) EndModal(nResult);
}

void COvMsgBoxWnd::TakeSnapshot(int nWidth, int nHeight)
{
    HDC hScreen = GetDC(nullptr);
    if (!hScreen) return;
    HDC hdc = CreateCompatibleDC(hScreen);
    HBITMAP hBitmap = hdc ? CreateCompatibleBitmap(hScreen, nWidth, nHeight) : nullptr;
    if (hBitmap) {
        m_hSnapshotDC = hdc;
        m_hSnapshotBitmap = hBitmap;
        m_hSnapshotOld = SelectObject(hdc, hBitmap);
        BitBlt(hdc, 0, 0, nWidth, nHeight, hScreen, 0, 0, SRCCOPY);
    } else if (hdc) {
        DeleteDC(hdc);
    }
    ReleaseDC(nullptr, hScreen);
}

void COvMsgBoxWnd::DrawMessage(HDC hdc, const RECT& rcPanel)
{
    RECT rcText = {rcPanel.left + kPanelPadding, rcPanel.top + kPanelPadding, rcPanel.left + kPanelPadding + kTextWidth,
        rcPanel.top + kPanelPadding + kTextHeight};
    HFONT hFont = OvGetFont(kMessageFontHeight, FW_NORMAL, 0, 0, 0, 4);
    HGDIOBJ hOldFont = hFont ? SelectObject(hdc, hFont) : nullptr;
    ::SetTextColor(hdc, kWhite);
    SetBkMode(hdc, TRANSPARENT);
    RECT rcMeasured = rcText;
    DrawTextW(hdc, m_pszText, -1, &rcMeasured, DT_CALCRECT | DT_WORDBREAK);
    rcText.top += ((rcText.bottom - rcText.top) - (rcMeasured.bottom - rcMeasured.top)) / 2 - kTextRaise;
    rcText.left += ((rcText.right - rcText.left) - (rcMeasured.right - rcMeasured.left)) / 2;
    DrawTextW(hdc, m_pszText, -1, &rcText, DT_WORDBREAK);
    if (hOldFont) SelectObject(hdc, hOldFont);
}

void COvMsgBoxWnd::PaintWin(HDC hdc, const RECT* pUpdate)
{
    RECT rc = GetWndClientRect();
    int w = rc.right - rc.left;
    // The backdrop is a portrait or a landscape screen.
    int nBackdropHeight = w < 481 ? 720 : 480;
    // What the screen showed under the box when it first painted; never
    // refreshed, so that the box does not photograph itself.
    if (!m_hSnapshotDC) TakeSnapshot(w, nBackdropHeight);
    if (m_hSnapshotDC) BitBlt(hdc, rc.left, rc.top, w, nBackdropHeight, m_hSnapshotDC, 0, 0, SRCCOPY);

    int W = GetClientWidth();
    int H = GetClientHeight();
    RECT rcPanel = {(W - kPanelWidth) / 2, (H - kPanelHeight) / 2, 0, 0};
    rcPanel.right = rcPanel.left + kPanelWidth;
    rcPanel.bottom = rcPanel.top + kPanelHeight;
    OvDrawPopupFrame(hdc, &rcPanel);
    if (m_pszText) DrawMessage(hdc, rcPanel);

    COvCtrlWnd::PaintWin(hdc, pUpdate);
}

int OvShowMessageBox(HWND hParent, LPCWSTR pszText, LPCWSTR pszCaption, int nStyle, int nMKeyResponse)
{
    COvMsgBoxWnd* pBox = new (std::nothrow) COvMsgBoxWnd(pszText, pszCaption, nStyle, nMKeyResponse);
    if (!pBox) return OVMB_RESULT_NONE;
    int nResult = OVMB_RESULT_NONE;
    if (pBox->Create(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), hParent, 0, WS_POPUP, 0))
        nResult = pBox->DoModal(true);
    delete pBox;
    return nResult;
}
