#include "ovfc/ui/ui_text_button.h"

#include "ovfc/core/ov_theme.h"
#include "ovfc/graphics/ov_element.h"
#include "ovfc/graphics/ov_font.h"
#include "services/key_sounds.h"

namespace {

// The theme colour "SYSCLR_BUTTON_TEXT".
constexpr UINT kButtonTextColor = 2;
constexpr int kTextShift = 2;

}  // namespace

UiTextButton::UiTextButton()
{
    SetPos(0, 0, 70, 44, UIPOS_KEEP_POSITION);
    SetFontHeight(25);
    SetTextColor(OvGetThemeColor(kButtonTextColor));
    SetTextFormat(DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    SetFontWeight(FW_NORMAL);
}

UiTextButton::~UiTextButton() = default;

void UiTextButton::OnStateChanged(int) { }

void UiTextButton::SetState(int nState)
{
    m_nState = nState;
    OnStateChanged(nState);
    SendNotify(OVWM_BUTTON_STATE, static_cast<WPARAM>(GetID()), reinterpret_cast<LPARAM>(this));
}

void UiTextButton::GoDown()
{
    if (GetPlayClickSound()) {
        if (m_nButtonStyle == OVBUTTON_STYLE_SWITCH)
            PlaySwitchSound();
        else if (m_nButtonStyle <= OVBUTTON_LAST_KEY_CLICK_STYLE)
            PlayKeySound();
    }
    SetState(m_bToggle && m_nState == 1 ? 0 : 1);
    Invalidate(nullptr);
    Update();
}

int UiTextButton::OnLButtonDown(UINT nFlags, int x, int y)
{
    UiWin::OnLButtonDown(nFlags, x, y);
    // A press that only stopped a scrolling container is not a press on the
    // button.
    if (GetContainerWasScrolling() || IsLocked()) return 0;
    GoDown();
    return 0;
}

int UiTextButton::OnLButtonDblClk(UINT nFlags, int x, int y)
{
    UiWin::OnLButtonDblClk(nFlags, x, y);
    if (IsLocked()) return 0;
    GoDown();
    return 0;
}

int UiTextButton::OnMouseMove(UINT nFlags, int x, int y)
{
    // Dragging inside a scroll container is a scroll, not a press: the
    // button comes up at the first move.
    if (!IsLocked() && IsPressed() && !IsMoved() && GetScrollContainer() && !m_bToggle) SetState(0);
    UiWin::OnMouseMove(nFlags, x, y);
    return 0;
}

void UiTextButton::PostTap(int x, int y)
{
    int nKind = IsDoubleClicked() ? OVTAP_DOUBLE : OVTAP_SINGLE;
    PostCommand(GetID(), nKind, static_cast<LPARAM>((x & 0xFFFF) | (y << 16)));
}

int UiTextButton::OnLButtonUp(UINT nFlags, int x, int y)
{
    if (!IsLocked() && IsPressed()) {
        RECT rc;
        GetClientRect(&rc);
        POINT pt = {x, y};
        bool bInside = PtInRect(&rc, pt) != FALSE;
        int nWasDown = m_nState;
        if (!m_bToggle) {
            SetState(0);
            if (bInside && IsPressed() && !IsPressCancelled()) PostTap(x, y);
        } else if (bInside && !IsPressCancelled()) {
            PostTap(x, y);
        } else {
            // The tap did not complete: the press's flip is undone.
            SetState(nWasDown == 1 ? 0 : 1);
        }
    }
    int nResult = UiWin::OnLButtonUp(nFlags, x, y);
    Invalidate(nullptr);
    Update();
    ReleaseMouse();
    return nResult;
}

void UiTextButton::OnPaint(HDC hdc, const RECT* prc, const RECT*)
{
    OvDrawElement(hdc, prc, m_nButtonStyle, m_nState, 0);
    const OvString& text = GetText();
    if (text.Length() == 0) return;
    HFONT hFont = OvGetFont(GetFontHeight(), GetFontWeight(), 0, 0, 0, 4);
    HGDIOBJ hOldFont = hFont ? SelectObject(hdc, hFont) : nullptr;
    ::SetTextColor(hdc, m_nState == 1 ? m_crPressedText : GetTextColor());
    SetBkMode(hdc, TRANSPARENT);
    RECT rc = *prc;
    if (m_bShiftTextOnPress && IsPressed()) OffsetRect(&rc, kTextShift, kTextShift);
    DrawTextW(hdc, text.c_str(), text.Length(), &rc, GetTextFormat());
    if (hOldFont) SelectObject(hdc, hOldFont);
}
