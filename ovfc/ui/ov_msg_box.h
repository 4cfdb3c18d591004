// The framework's message box: a full-screen modal popup that shows a text
// on a framed panel over a frozen picture of the screen, with one to three
// push buttons, and returns which kind of button was tapped.
#pragma once

#include <windows.h>

#include "ovfc/core/ov_ctrl_wnd.h"
#include "ovfc/ui/ui_text_button.h"

// Button sets (the style argument).
#define OVMB_OK 0
#define OVMB_OKCANCEL 1
#define OVMB_RETRYABORTIGNORE 2
#define OVMB_YESNOCANCEL 3
#define OVMB_YESNO 4
#define OVMB_RETRYCANCEL 5

// What a box returns: closed without a button, Yes / OK / Retry, No /
// Cancel / Abort, Ignore.
#define OVMB_RESULT_NONE 0
#define OVMB_RESULT_POSITIVE 1
#define OVMB_RESULT_NEGATIVE 2
#define OVMB_RESULT_IGNORE 3

// The buttons' ids.
#define OVMB_ID_OK 101
#define OVMB_ID_CANCEL 102
#define OVMB_ID_YES_OK 103
#define OVMB_ID_NO_CANCEL 104
#define OVMB_ID_RETRY 105
#define OVMB_ID_ABORT 106
#define OVMB_ID_IGNORE 107

// A platform message the box answers: lParam 1 closes it with result 0, any
// other lParam is swallowed.
#define OVWM_MSGBOX_PLATFORM 0x1001u

class COvMsgBoxWnd : public COvCtrlWnd {
public:
    // The text is not copied: it must outlive the box. The caption is kept
    // but never drawn. nMKeyResponse is what the M key does while the box is
    // up (SetMKeyResponse).
    COvMsgBoxWnd(LPCWSTR pszText, LPCWSTR pszCaption, int nStyle, int nMKeyResponse);
    ~COvMsgBoxWnd() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PaintWin(HDC hdc, const RECT* pUpdate) override;
    void OnUiCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT OnInitDialog() override;

    // The result a button id stands for; -1 for an id that is no button of
    // a box.
    static int ResultOfButton(int nId);

    int GetStyle() const { return m_nStyle; }
    LPCWSTR GetText() const { return m_pszText; }
    LPCWSTR GetCaption() const { return m_pszCaption; }

private:
    void AddButton(UiTextButton& button, int x, int width, int y, LPCWSTR pszLabel, int nId);
    void BuildButtons();
    void TakeSnapshot(int nWidth, int nHeight);
    void DrawMessage(HDC hdc, const RECT& rcPanel);

    HDC m_hSnapshotDC = nullptr;
    HBITMAP m_hSnapshotBitmap = nullptr;
    HGDIOBJ m_hSnapshotOld = nullptr;
    LPCWSTR m_pszText;
    LPCWSTR m_pszCaption;
    UiTextButton m_buttonA;
    UiTextButton m_buttonB;
    UiTextButton m_buttonC;
    int m_nStyle;
};

// Creates a box over the whole screen, runs it modally (hParent, when given,
// takes no input meanwhile) and destroys it. Returns the result of the tapped
// button (OVMB_RESULT_*), or 0 when the box could not be made, or was closed
// without a button.
int OvShowMessageBox(HWND hParent, LPCWSTR pszText, LPCWSTR pszCaption, int nStyle, int nMKeyResponse);
