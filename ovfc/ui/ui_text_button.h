// The framework's push button: a control that draws a themed button face for
// its style and state, writes its text over it, goes down while pressed and,
// when a tap completes inside it, posts a command to its host window. A
// toggle button keeps the state a completed tap gave it.
#pragma once

#include <windows.h>

#include "ovfc/ui/ui_win.h"

// Sent (not posted) to the host window whenever a button's state is set:
// wParam the button's id, lParam the button object.
#define OVWM_BUTTON_STATE 0x811u

// The tap kinds a button's command carries in the high word of wParam.
#define OVTAP_SINGLE 0
#define OVTAP_DOUBLE 5

// Button faces (OvDrawElement types) whose click is the switch sound; other
// styles up to OVBUTTON_LAST_KEY_CLICK_STYLE click like a key.
#define OVBUTTON_STYLE_SWITCH 11
#define OVBUTTON_LAST_KEY_CLICK_STYLE 256

class UiTextButton : public UiWin {
public:
    UiTextButton();
    ~UiTextButton() override;

    void OnPaint(HDC hdc, const RECT* prc, const RECT* prcClip) override;
    int OnLButtonDblClk(UINT nFlags, int x, int y) override;
    int OnLButtonDown(UINT nFlags, int x, int y) override;
    int OnLButtonUp(UINT nFlags, int x, int y) override;
    int OnMouseMove(UINT nFlags, int x, int y) override;
    // Called by SetState before the host hears of the change.
    virtual void OnStateChanged(int nState);

    // Stores the state (0 up, 1 down) and reports it to the host window with
    // OVWM_BUTTON_STATE. It does not invalidate.
    void SetState(int nState);
    int GetState() const { return m_nState; }
    void SetButtonStyle(int nStyle) { m_nButtonStyle = nStyle; }
    int GetButtonStyle() const { return m_nButtonStyle; }
    void SetToggle(BOOL bToggle) { m_bToggle = bToggle ? 1 : 0; }
    BOOL IsToggle() const { return m_bToggle; }
    void SetShiftTextOnPress(BOOL bShift) { m_bShiftTextOnPress = bShift ? 1 : 0; }
    BOOL GetShiftTextOnPress() const { return m_bShiftTextOnPress; }
    void SetPressedTextColor(COLORREF cr) { m_crPressedText = cr; }
    COLORREF GetPressedTextColor() const { return m_crPressedText; }

private:
    // The press half shared by a press and the second click of a double
    // click.
    void GoDown();
    void PostTap(int x, int y);

    COLORREF m_crPressedText = 0x00FFFFFF;
    int m_nState = 0;
    int m_nButtonStyle = 1;
    int m_bToggle = 0;
    BYTE m_bShiftTextOnPress = 0;
};
