// The controls the gallery shows beside the framework's own push button: a
// button that shows its long press and its keyboard focus, a list row, a
// line of text, a strip that reports swipes, and a list that scrolls in both
// directions with its scroll-position indicators.
#pragma once

#include <vector>

#include <windows.h>

#include "ovfc/ui/ui_text_button.h"
#include "ovfc/ui/ui_win.h"

// A rectangle filled with one colour; a line of text in the theme's face.
void FillSolid(HDC hdc, const RECT& rc, COLORREF cr);
void DrawLine(HDC hdc, LPCWSTR pszText, RECT rc, int nHeight, COLORREF cr, UINT uFormat);

// Posted to the host window when the list stops scrolling: wParam and
// lParam are its horizontal and vertical scroll offsets.
#define GALLERYWM_LIST_SCROLLED (WM_APP + 1)

// A push button that says so while a long press is pending and when it
// fires, and wears a frame while it has the keyboard focus.
class GalleryButton : public UiTextButton {
public:
    explicit GalleryButton(LPCWSTR pszLabel);

    void OnPaint(HDC hdc, const RECT* prc, const RECT* prcClip) override;
    int OnLButtonUp(UINT nFlags, int x, int y) override;
    void OnHoldStart() override;
    void OnHold() override;
    void OnSetFocus(UiWin* pPrevious) override;
    void OnKillFocus(UiWin* pNext) override;

private:
    LPCWSTR m_pszLabel;
};

// A row of the list: a label at the left and where the row ends at the
// right, so that scrolling sideways shows something new.
class GalleryRow : public UiTextButton {
public:
    void OnPaint(HDC hdc, const RECT* prc, const RECT* prcClip) override;
    void SetEndText(LPCWSTR pszText) { m_strEnd.Assign(pszText); }

private:
    OvString m_strEnd;
};

// One line of text on a plain background.
class GalleryLabel : public UiWin {
public:
    GalleryLabel();
    void OnPaint(HDC hdc, const RECT* prc, const RECT* prcClip) override;
    void SetBackColor(COLORREF cr) { m_crBack = cr; }

private:
    COLORREF m_crBack;
};

// A strip that asks the manager to tell horizontal swipes from other drags.
class GallerySwipePad : public UiWin {
public:
    GallerySwipePad();
    void OnPaint(HDC hdc, const RECT* prc, const RECT* prcClip) override;
    int OnLButtonDown(UINT nFlags, int x, int y) override;
    int OnLButtonUp(UINT nFlags, int x, int y) override;
};

// A scroll container: its children are laid out on a content area larger
// than the list and move with the finger. While it scrolls both indicators
// show; when the finger lifts the vertical one fades out.
class GalleryList : public UiWin {
public:
    GalleryList();

    // Adds a child at (x, y) of the content area.
    void AddItem(UiWin* pItem, int x, int y);
    void SetContentSize(int nWidth, int nHeight);

    BOOL IsScrollContainer() override { return TRUE; }
    int GetContentHeight() override { return m_nContentHeight; }
    int GetScrollY() override { return m_nScrollY; }
    int GetContentWidth() override { return m_nContentWidth; }
    int GetScrollX() override { return m_nScrollX; }

    void OnPaint(HDC hdc, const RECT* prc, const RECT* prcClip) override;
    int OnLButtonDown(UINT nFlags, int x, int y) override;
    int OnMouseMove(UINT nFlags, int x, int y) override;
    int OnLButtonUp(UINT nFlags, int x, int y) override;
    // The vertical indicator fades through its pictures; the horizontal one,
    // which has none, is blended out over the same steps.
    void FadeIndicator() override;
    void PaintFadeStep(HDC hdc, const RECT* prc, int nStep) override;

private:
    void ScrollBy(int dx, int dy);
    // Where the horizontal thumb lies in prc; FALSE when there is none.
    BOOL GetHThumbRect(const RECT* prc, RECT* prcThumb);
    void PlaceItems();

    std::vector<POINT> m_itemOrigins;
    int m_nContentWidth = 0;
    int m_nContentHeight = 0;
    int m_nScrollX = 0;
    int m_nScrollY = 0;
    int m_nDragX = 0;
    int m_nDragY = 0;
};
