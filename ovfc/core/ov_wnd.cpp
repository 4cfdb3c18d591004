#include "ovfc/core/ov_wnd.h"

#include <map>

#include "ovfc/core/ov_debug_zones.h"
#include "ovfc/core/ov_theme.h"

namespace {

using WindowRegistry = std::map<UINT_PTR, COvWnd*>;

// Allocated on first use and kept to the end of the process, so that
// windows created or destroyed during static initialisation and exit find
// it.
WindowRegistry& Registry()
{
    static WindowRegistry* pRegistry = new WindowRegistry;
    return *pRegistry;
}

UINT_PTR KeyOf(HWND hWnd) { return reinterpret_cast<UINT_PTR>(hWnd); }

DWORD TraceValue(UINT_PTR value) { return static_cast<DWORD>(value); }

}  // namespace

COvWnd::COvWnd()
    : m_crBack(OvGetThemeColor(0))
{
}

COvWnd::~COvWnd()
{
    if (m_hWnd) Destroy();
    m_surface.Release();
}

LPCWSTR COvWnd::GetWndClassName() { return TEXT("COvWnd"); }

void COvWnd::OnLButtonDblClk(UINT, int, int) { }
void COvWnd::OnLButtonDown(UINT, int, int) { }
void COvWnd::OnLButtonUp(UINT, int, int) { }
void COvWnd::OnMouseMove(UINT, int, int) { }
void COvWnd::OnTimer(UINT_PTR) { }
void COvWnd::OnSize(UINT, UINT) { }
void COvWnd::OnSettingChange(WPARAM, LPARAM) { }
void COvWnd::PaintWin(HDC, const RECT*) { }
void COvWnd::OnUiCommand(WPARAM, LPARAM) { }
LRESULT COvWnd::OnInitDialog() { return 1; }
void COvWnd::OnCommand(UINT, UINT, LPARAM) { }
int COvWnd::OnShellClickMKey(UINT, WPARAM, LPARAM) { return m_nMKeyResponse; }

bool COvWnd::RegisterWndClass()
{
    WNDCLASSW wc {};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = OvWndProc;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = GetWndClassName();
    return RegisterClassW(&wc) != 0;
}

bool COvWnd::Create(int x, int y, int nWidth, int nHeight, HWND hParent, UINT nID, DWORD dwStyle, DWORD dwExStyle)
{
    if (m_hWnd) return false;
    // Every Create registers; a class registered before fails harmlessly.
    RegisterWndClass();
    m_hWnd = CreateWindowExW(dwExStyle, GetWndClassName(), nullptr, dwStyle, x, y, nWidth, nHeight, hParent,
        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), nullptr, nullptr);
    if (!m_hWnd) return false;
    // Messages sent during CreateWindowExW went to DefWindowProcW: the
    // object is known only from here on.
    Registry()[KeyOf(m_hWnd)] = this;
    // The window carries no caption even where the platform gave a
    // top-level window one.
    if ((dwStyle & WS_CAPTION) == 0) SetWindowLongW(m_hWnd, GWL_STYLE, static_cast<LONG>(dwStyle));
    return SendMessageW(m_hWnd, WM_INITDIALOG, 0, 0) != 0;
}

bool COvWnd::CreatePopup(int x, int y, int nWidth, int nHeight, HWND hParent, UINT nID, DWORD dwExStyle)
{
    return Create(x, y, nWidth, nHeight, hParent, nID, WS_POPUP, dwExStyle);
}

bool COvWnd::CreateChild(int x, int y, int nWidth, int nHeight, HWND hParent, UINT nID, DWORD dwExStyle)
{
    return Create(x, y, nWidth, nHeight, hParent, nID, WS_CHILD, dwExStyle);
}

void COvWnd::ApplyDialogStyle()
{
    LONG lStyle = GetWindowLongW(m_hWnd, GWL_STYLE);
    SetWindowLongW(m_hWnd, GWL_STYLE, lStyle | 0xB);
    LONG lExStyle = GetWindowLongW(m_hWnd, GWL_EXSTYLE);
    SetWindowLongW(m_hWnd, GWL_EXSTYLE, lExStyle & ~static_cast<LONG>(WS_EX_CLIENTEDGE));
}

void COvWnd::Destroy()
{
    if (!m_hWnd) return;
    Registry().erase(KeyOf(m_hWnd));
    DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

void COvWnd::Show(bool bShow, bool bBringToTop)
{
    if (bShow) {
        ShowWindow(m_hWnd, SW_SHOW);
        SendMessageW(m_hWnd, WM_SHOWWINDOW, 1, 0);
        if (bBringToTop) BringWindowToTop(m_hWnd);
    } else {
        ShowWindow(m_hWnd, SW_HIDE);
        SendMessageW(m_hWnd, WM_SHOWWINDOW, 0, 0);
    }
}

RECT COvWnd::GetWndClientRect() const
{
    RECT rc {};
    GetClientRect(m_hWnd, &rc);
    return rc;
}

RECT COvWnd::GetWndRect() const
{
    RECT rc {};
    GetWindowRect(m_hWnd, &rc);
    return rc;
}

int COvWnd::GetClientWidth() const
{
    RECT rc = GetWndClientRect();
    return rc.right - rc.left;
}

int COvWnd::GetClientHeight() const
{
    RECT rc = GetWndClientRect();
    return rc.bottom - rc.top;
}

POINT COvWnd::GetPosInParent() const
{
    POINT pt {0, 0};
    HWND hParent = GetParent(m_hWnd);
    if (!hParent) return pt;
    RECT rc = GetWndRect();
    pt.x = rc.left;
    pt.y = rc.top;
    ScreenToClient(hParent, &pt);
    return pt;
}

void COvWnd::Invalidate(const RECT* pRect, BOOL bErase) { InvalidateRect(m_hWnd, pRect, bErase); }

COvWnd* COvWnd::OvWndFromHandle(HWND hWnd)
{
    WindowRegistry& registry = Registry();
    auto found = registry.find(KeyOf(hWnd));
    return found == registry.end() ? nullptr : found->second;
}

void COvWnd::PostToDescendants(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (HWND hChild = GetWindow(hWnd, GW_CHILD); hChild; hChild = GetWindow(hChild, GW_HWNDNEXT)) {
        PostMessageW(hChild, message, wParam, lParam);
        PostToDescendants(hChild, message, wParam, lParam);
    }
}

LRESULT CALLBACK COvWnd::OvWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (OVZONE_ON(OVZONE_OVWND_MESSAGE) && message != WM_GETTEXT)
        NKDbgPrintfW(TEXT("**ZONE_OVWND_MESSAGE** OvWndProc: hWnd(0x%08X), Messge(0x%08X), wParam(0x%08X), "
                          "lParam(0x%08X)\n"),
            TraceValue(KeyOf(hWnd)), message, TraceValue(wParam), TraceValue(static_cast<UINT_PTR>(lParam)));
    // The window text is the platform's business alone.
    if (message == WM_GETTEXT || message == WM_GETTEXTLENGTH) return DefWindowProcW(hWnd, message, wParam, lParam);
    if (COvWnd* pWnd = OvWndFromHandle(hWnd)) return pWnd->WindowProc(message, wParam, lParam);
    return DefWindowProcW(hWnd, message, wParam, lParam);
}
