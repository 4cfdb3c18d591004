// The control base: tree, hit testing, painting, focus, visibility and the
// default handlers. The scroll-position indicators live in
// ui_win_indicators.cpp.
#include "ovfc/ui/ui_win.h"

#include <new>

#include "ovfc/core/ov_debug_zones.h"
#include "ovfc/core/ov_theme.h"
#include "ovfc/ui/ui_messages.h"
#include "ovfc/ui/win_manager.h"

namespace {

void TraceMouse(LPCWSTR pszFormat, int x, int y)
{
    if (OVZONE_ON(OVZONE_MOUSE)) NKDbgPrintfW(pszFormat, x, y);
}

}  // namespace

UiWin::UiWin()
    : m_crText(OvGetThemeColor(1))
{
}

UiWin::~UiWin()
{
    // Nothing may keep pointing at a control that is gone: the managers
    // forget it and its subtree, its parent's list loses it, and its
    // children (which live on) lose their parent.
    WinManager::ForgetControl(this);
    if (m_pParent) {
        UiWin* pParent = m_pParent;
        for (int i = 0; i < pParent->m_nChildCount; ++i) {
            if (pParent->m_ppChildren[i] != this) continue;
            for (int j = i + 1; j < pParent->m_nChildCount; ++j)
                pParent->m_ppChildren[j - 1] = pParent->m_ppChildren[j];
            --pParent->m_nChildCount;
            break;
        }
        m_pParent = nullptr;
    }
    for (int i = 0; i < m_nChildCount; ++i)
        if (m_ppChildren[i] && m_ppChildren[i]->m_pParent == this) m_ppChildren[i]->m_pParent = nullptr;
    delete[] m_ppChildren;
}

void UiWin::Paint(HDC hdc, const RECT* prc, const RECT* prcClip)
{
    if (!m_bVisible) return;
    OnPaint(hdc, prc, prcClip);
    for (int i = 0; i < m_nChildCount; ++i) {
        UiWin* pChild = m_ppChildren[i];
        if (!pChild) continue;
        RECT rcChild {prc->left + pChild->m_nX, prc->top + pChild->m_nY, prc->left + pChild->m_nX + pChild->m_nWidth,
            prc->top + pChild->m_nY + pChild->m_nHeight};
        RECT rcInter;
        if (!IntersectRect(&rcInter, &rcChild, prcClip)) continue;
        // A child that draws past its own edges (a shadow, a glow) gets its
        // grown rectangle as its clip.
        RECT rcRegion = rcInter;
        if (pChild->m_bInflateInvalidate) {
            rcRegion = rcChild;
            InflateRect(&rcRegion, pChild->m_nInflateBy, pChild->m_nInflateBy);
        }
        HRGN hRegion = CreateRectRgnIndirect(&rcRegion);
        SelectClipRgn(hdc, hRegion);
        pChild->Paint(hdc, &rcChild, &rcInter);
        SelectClipRgn(hdc, nullptr);
        if (hRegion) DeleteObject(hRegion);
    }
    if (m_bFading) {
        PaintFadeStep(hdc, prc, m_nFadeStep);
        return;
    }
    if (m_bShowVIndicator && m_bScrolling) PaintVIndicator(hdc, prc, prcClip);
    if (m_bShowHIndicator && m_bScrolling) PaintHIndicator(hdc, prc, prcClip);
    if (m_bShowVIndicator && m_bTrackA && m_bTrackB) PaintVIndicator(hdc, prc, prcClip);
}

void UiWin::OnPaint(HDC, const RECT*, const RECT*) { }

void UiWin::Invalidate(const RECT* prc)
{
    if (WinManager* pManager = GetManager()) pManager->InvalidateWin(this, prc);
}

void UiWin::Update()
{
    if (WinManager* pManager = GetManager()) pManager->UpdateAll();
}

void UiWin::PostCall(UiWin* pTarget, LPARAM lParam)
{
    if (WinManager* pManager = GetManager()) pManager->PostCall(pTarget, lParam);
}

void UiWin::OnPostedCall(LPARAM) { }

int UiWin::OnLButtonDblClk(UINT, int x, int y)
{
    TraceMouse(TEXT("ovfc ZONE_MOUSE: UiWin::OnLButtonDblClk(%d, %d);\n"), x, y);
    CaptureMouse();
    m_bMoved = 0;
    m_bPressed = 1;
    m_bDoubleClicked = 1;
    return 0;
}

int UiWin::OnLButtonDown(UINT, int x, int y)
{
    TraceMouse(TEXT("ovfc ZONE_MOUSE: UiWin::OnLButtonDown(%d, %d);\n"), x, y);
    CaptureMouse();
    m_bPressed = 1;
    m_bMoved = 0;
    m_bDoubleClicked = 0;
    m_bPressCancelled = 0;
    return 0;
}

int UiWin::OnLButtonUp(UINT, int x, int y)
{
    TraceMouse(TEXT("ovfc ZONE_MOUSE: UiWin::OnLButtonUp(%d, %d);\n"), x, y);
    ReleaseMouse();
    // moved stays: whoever looks after the release still sees a drag.
    m_bPressed = 0;
    m_bDoubleClicked = 0;
    return 0;
}

int UiWin::OnMouseMove(UINT, int x, int y)
{
    TraceMouse(TEXT("ovfc ZONE_MOUSE: UiWin::OnMouseMove(%d, %d);\n"), x, y);
    m_bMoved = 1;
    return 0;
}

int UiWin::OnTimer(UINT_PTR) { return 0; }

void UiWin::SetFocus(BOOL bOn)
{
    WinManager* pManager = GetManager();
    if (!pManager) return;
    UiWin* pCurrent = pManager->GetFocusWin();
    if (!bOn && pManager->GetSavedFocus() == this) pManager->SetSavedFocus(nullptr);
    if (bOn) {
        if (pCurrent != this) pManager->SetFocusWin(this);
    } else if (pCurrent == this) {
        pManager->SetFocusWin(nullptr);
    }
}

void UiWin::OnSetFocus(UiWin*) { }
void UiWin::OnKillFocus(UiWin*) { }
LRESULT UiWin::OnKeyDown(WPARAM, LPARAM) { return 0; }
LRESULT UiWin::OnKeyUp(WPARAM, LPARAM) { return 0; }
LRESULT UiWin::OnChar(WPARAM, LPARAM) { return 0; }
LRESULT UiWin::OnImeComposition(LPARAM) { return 0; }
LRESULT UiWin::OnImeStartComposition() { return 0; }
LRESULT UiWin::OnImeEndComposition() { return 0; }

void UiWin::SetPos(int x, int y, int nWidth, int nHeight, UINT nFlags)
{
    if (!(nFlags & UIPOS_KEEP_POSITION)) {
        m_nX = x;
        m_nY = y;
    }
    if (!(nFlags & UIPOS_KEEP_SIZE)) {
        m_nWidth = nWidth;
        m_nHeight = nHeight;
    }
}

void UiWin::SetVisible(BOOL bVisible)
{
    BYTE bNew = bVisible ? 1 : 0;
    if (bNew == m_bVisible) return;
    m_bVisible = bNew;
    WinManager* pManager = GetManager();
    if (!pManager) return;
    if (!bNew) {
        // The focus leaves with the hidden subtree and comes back with it.
        UiWin* pFocus = pManager->GetFocusWin();
        if (pFocus && (pFocus == this || IsAncestorOf(pFocus))) {
            pFocus->SetFocus(FALSE);
            pManager->SetSavedFocus(pFocus);
        }
    } else {
        UiWin* pSaved = pManager->GetSavedFocus();
        if (pSaved && (pSaved == this || IsAncestorOf(pSaved))) pManager->RestoreFocus();
    }
}

void UiWin::SetEnabled(BOOL bEnabled) { m_bEnabled = bEnabled ? 1 : 0; }
void UiWin::SetLocked(BOOL bLocked) { m_bLocked = bLocked ? 1 : 0; }

int UiWin::GetContentHeight() { return m_nHeight; }
int UiWin::GetScrollY() { return 0; }
int UiWin::GetContentWidth() { return m_nWidth; }
int UiWin::GetScrollX() { return 0; }
void UiWin::OnUserHook(int) { }
void UiWin::SetUserValue(int nValue) { m_nUserValue = nValue; }
void UiWin::AddUserValue(int nDelta) { m_nUserValue += nDelta; }
void UiWin::OnHoldStart() { }
void UiWin::OnHold() { }
void UiWin::OnPaste() { }
LRESULT UiWin::OnMessage825(WPARAM, LPARAM) { return 0; }
LRESULT UiWin::OnMessage826(WPARAM, LPARAM) { return 0; }

void UiWin::SetParent(UiWin* pParent)
{
    // A parent chain that loops would never reach a manager.
    if (pParent && (pParent == this || IsAncestorOf(pParent))) return;
    if (m_pParent && m_pParent != pParent) m_pParent->RemoveChild(this);
    m_pParent = pParent;
}

WinManager* UiWin::GetManager() { return m_pParent ? m_pParent->GetManager() : nullptr; }

HWND UiWin::GetHostWindow()
{
    WinManager* pManager = GetManager();
    return pManager ? pManager->GetHostWindow() : nullptr;
}

BOOL UiWin::IsScrollContainer() { return FALSE; }

UiWin* UiWin::GetScrollContainer()
{
    for (UiWin* pWin = this; pWin; pWin = pWin->m_pParent)
        if (pWin->IsScrollContainer()) return pWin;
    return nullptr;
}

void UiWin::OnContainerPressed()
{
    if (m_bScrolling)
        for (int i = 0; i < m_nChildCount; ++i)
            if (m_ppChildren[i]) m_ppChildren[i]->OnParentScrollStopped();
    if (WinManager* pManager = GetManager())
        pManager->PostToHost(OVWM_CONTAINER_PRESSED, static_cast<WPARAM>(static_cast<DWORD>(m_nID)), 0);
}

void UiWin::OnContainerPressedIdle(int, int)
{
    if (m_bScrolling) return;
    for (int i = 0; i < m_nChildCount; ++i)
        if (m_ppChildren[i]) m_ppChildren[i]->OnParentPressed();
}

void UiWin::OnParentPressed() { }
void UiWin::OnParentScrollStopped() { }
void UiWin::SetText(LPCWSTR pszText) { m_strText.Assign(pszText); }
const OvString& UiWin::GetText() const { return m_strText; }
void UiWin::OnCopy() { }
void UiWin::OnCut() { }
void UiWin::OnA4R8(WPARAM, LPARAM) { }
void UiWin::SetReservedFlag(BOOL bOn) { m_bReservedFlag = bOn ? 1 : 0; }
void UiWin::SetReservedValue(int nValue) { m_nReservedValue = nValue; }
void UiWin::SetMouseTransparent(BOOL bOn) { m_bMouseTransparent = bOn ? 1 : 0; }

void UiWin::GetClientRect(RECT* prc) const { *prc = RECT {0, 0, m_nWidth, m_nHeight}; }

void UiWin::ToWindow(int& x, int& y) const
{
    for (const UiWin* pWin = this; pWin; pWin = pWin->m_pParent) {
        x += pWin->m_nX;
        y += pWin->m_nY;
    }
}

void UiWin::ToLocal(int& x, int& y) const
{
    for (const UiWin* pWin = this; pWin; pWin = pWin->m_pParent) {
        x -= pWin->m_nX;
        y -= pWin->m_nY;
    }
}

BOOL UiWin::ReserveChildSlot()
{
    if (m_nChildCount < m_nChildCapacity) return TRUE;
    int nCapacity = 2 * m_nChildCount + 1;
    UiWin** ppNew = new (std::nothrow) UiWin*[nCapacity];
    if (!ppNew) return FALSE;
    for (int i = 0; i < m_nChildCount; ++i) ppNew[i] = m_ppChildren[i];
    delete[] m_ppChildren;
    m_ppChildren = ppNew;
    m_nChildCapacity = nCapacity;
    return TRUE;
}

BOOL UiWin::AddChild(UiWin* pChild)
{
    // A control under itself would make painting and hit testing loop forever.
    if (!pChild || pChild == this || HasChild(pChild) || pChild->IsAncestorOf(this)) return FALSE;
    // Room first, so that a list that cannot grow leaves the child where it was.
    if (!ReserveChildSlot()) return FALSE;
    pChild->SetParent(this);
    m_ppChildren[m_nChildCount++] = pChild;
    return TRUE;
}

void UiWin::RemoveChild(UiWin* pChild)
{
    int nIndex = -1;
    for (int i = 0; i < m_nChildCount; ++i)
        if (m_ppChildren[i] == pChild) {
            nIndex = i;
            break;
        }
    if (nIndex < 0 || !pChild) return;
    pChild->SetFocus(FALSE);
    if (WinManager* pManager = pChild->GetManager()) pManager->ReleaseCaptureWin();
    for (int i = nIndex + 1; i < m_nChildCount; ++i) m_ppChildren[i - 1] = m_ppChildren[i];
    --m_nChildCount;
    // A control outside any tree has no manager; a stale parent would
    // outlive the parent itself.
    if (pChild->m_pParent == this) pChild->m_pParent = nullptr;
}

UiWin* UiWin::GetChild(int nIndex) const
{
    if (nIndex < 0 || nIndex >= m_nChildCount) return nullptr;
    return m_ppChildren[nIndex];
}

BOOL UiWin::HasChild(const UiWin* pChild) const
{
    if (!pChild) return FALSE;
    for (int i = 0; i < m_nChildCount; ++i)
        if (m_ppChildren[i] == pChild) return TRUE;
    return FALSE;
}

BOOL UiWin::IsAncestorOf(const UiWin* pWin) const
{
    if (!pWin) return FALSE;
    // Down the child lists: they only ever hold live controls.
    for (int i = 0; i < m_nChildCount; ++i) {
        UiWin* pChild = m_ppChildren[i];
        if (pChild && (pChild == pWin || pChild->IsAncestorOf(pWin))) return TRUE;
    }
    return FALSE;
}

UiWin* UiWin::HitTest(int x, int y)
{
    if (!m_bVisible || x < m_nX || y < m_nY || x >= m_nX + m_nWidth || y >= m_nY + m_nHeight) return nullptr;
    if (!m_bEnabled) return this;
    for (int i = m_nChildCount - 1; i >= 0; --i) {
        UiWin* pChild = m_ppChildren[i];
        if (!pChild || pChild->m_bMouseTransparent) continue;
        if (UiWin* pHit = pChild->HitTest(x - m_nX, y - m_nY)) return pHit;
    }
    return this;
}

BOOL UiWin::HasFocus()
{
    WinManager* pManager = GetManager();
    return pManager && pManager->GetFocusWin() == this;
}

void UiWin::CaptureMouse()
{
    if (WinManager* pManager = GetManager()) pManager->SetCaptureWin(this);
}

void UiWin::ReleaseMouse()
{
    if (WinManager* pManager = GetManager()) pManager->ReleaseCaptureWin();
}

void UiWin::PostCommand(int nID, int nCode, LPARAM lParam)
{
    DWORD dwParam = (static_cast<DWORD>(nID) & 0xFFFFu) | (static_cast<DWORD>(nCode) << 16);
    if (WinManager* pManager = GetManager()) pManager->PostToHost(OVWM_UICOMMAND, dwParam, lParam);
}

LRESULT UiWin::SendNotify(UINT message, WPARAM wParam, LPARAM lParam)
{
    WinManager* pManager = GetManager();
    return pManager ? pManager->SendToHost(message, wParam, lParam) : 0;
}

void UiWin::PostNotify(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (WinManager* pManager = GetManager()) pManager->PostToHost(message, wParam, lParam);
}
