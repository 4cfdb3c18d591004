#include "gallery_controls.h"

#include <algorithm>

#include "ovfc/graphics/ov_dc_helpers.h"
#include "ovfc/graphics/ov_element.h"
#include "ovfc/graphics/ov_font.h"

namespace {

constexpr COLORREF kFocusFrame = RGB(255, 200, 0);
constexpr COLORREF kHeldText = RGB(255, 220, 60);
constexpr COLORREF kLabelText = RGB(30, 30, 30);
constexpr COLORREF kPadBack = RGB(220, 232, 244);
constexpr COLORREF kPadSwiping = RGB(150, 200, 240);
constexpr COLORREF kPadText = RGB(40, 70, 110);
constexpr COLORREF kListBack = RGB(250, 250, 250);
constexpr int kFrameThickness = 3;
constexpr int kRowTextInset = 16;
constexpr int kBarThickness = 9;
constexpr int kFirstFadeStep = 265;
constexpr int kLastFadeStep = 268;

}  // namespace

void FillSolid(HDC hdc, const RECT& rc, COLORREF cr)
{
    HBRUSH hBrush = CreateSolidBrush(cr);
    FillRect(hdc, &rc, hBrush);
    DeleteObject(hBrush);
}

void DrawLine(HDC hdc, LPCWSTR pszText, RECT rc, int nHeight, COLORREF cr, UINT uFormat)
{
    HFONT hFont = OvGetFont(nHeight, FW_NORMAL, 0, 0, 0, 4);
    HGDIOBJ hOld = hFont ? SelectObject(hdc, hFont) : nullptr;
    SetTextColor(hdc, cr);
    SetBkMode(hdc, TRANSPARENT);
    DrawTextW(hdc, pszText, -1, &rc, uFormat);
    if (hOld) SelectObject(hdc, hOld);
}

GalleryButton::GalleryButton(LPCWSTR pszLabel)
    : m_pszLabel(pszLabel)
{
    SetText(pszLabel);
}

void GalleryButton::OnPaint(HDC hdc, const RECT* prc, const RECT* prcClip)
{
    UiTextButton::OnPaint(hdc, prc, prcClip);
    if (!HasFocus()) return;
    const RECT& rc = *prc;
    const RECT edges[] = {
        {rc.left, rc.top, rc.right, rc.top + kFrameThickness},
        {rc.left, rc.bottom - kFrameThickness, rc.right, rc.bottom},
        {rc.left, rc.top, rc.left + kFrameThickness, rc.bottom},
        {rc.right - kFrameThickness, rc.top, rc.right, rc.bottom},
    };
    for (const RECT& edge : edges) FillSolid(hdc, edge, kFocusFrame);
}

int GalleryButton::OnLButtonUp(UINT nFlags, int x, int y)
{
    if (IsHoldEnabled()) {
        SetText(m_pszLabel);
        SetPressedTextColor(0x00FFFFFF);
    }
    return UiTextButton::OnLButtonUp(nFlags, x, y);
}

void GalleryButton::OnHoldStart()
{
    SetText(u"Hold on…");
    Invalidate(nullptr);
}

void GalleryButton::OnHold()
{
    SetText(u"Held!");
    SetPressedTextColor(kHeldText);
    Invalidate(nullptr);
    Update();
}

void GalleryButton::OnSetFocus(UiWin*) { Invalidate(nullptr); }

void GalleryButton::OnKillFocus(UiWin*) { Invalidate(nullptr); }

void GalleryRow::OnPaint(HDC hdc, const RECT* prc, const RECT*)
{
    OvDrawElement(hdc, prc, GetButtonStyle(), GetState(), 0);
    // A coloured mark where a list would show an icon.
    static const COLORREF marks[] = {RGB(230, 90, 70), RGB(250, 170, 40), RGB(90, 180, 90), RGB(60, 140, 220)};
    RECT rcMark = {prc->left + kRowTextInset, prc->top + 10, prc->left + kRowTextInset + 28, prc->bottom - 10};
    FillSolid(hdc, rcMark, marks[GetID() % 4]);
    COLORREF crText = GetState() ? GetPressedTextColor() : GetTextColor();
    RECT rc = {rcMark.right + 14, prc->top, prc->right - kRowTextInset, prc->bottom};
    DrawLine(hdc, GetText().c_str(), rc, GetFontHeight(), crText, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    DrawLine(hdc, m_strEnd.c_str(), rc, GetFontHeight(), crText, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
}

GalleryLabel::GalleryLabel()
    : m_crBack(RGB(255, 255, 255))
{
    SetTextColor(kLabelText);
    SetFontHeight(22);
    SetTextFormat(DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

void GalleryLabel::OnPaint(HDC hdc, const RECT* prc, const RECT*)
{
    FillSolid(hdc, *prc, m_crBack);
    RECT rc = *prc;
    rc.left += 8;
    DrawLine(hdc, GetText().c_str(), rc, GetFontHeight(), GetTextColor(), GetTextFormat());
}

GallerySwipePad::GallerySwipePad()
{
    SetSwipeDetect(TRUE);
    SetText(u"⇆  swipe here");
}

void GallerySwipePad::OnPaint(HDC hdc, const RECT* prc, const RECT*)
{
    FillSolid(hdc, *prc, IsPressed() && IsSwipeHorizontal() ? kPadSwiping : kPadBack);
    DrawLine(hdc, GetText().c_str(), *prc, 22, kPadText, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

int GallerySwipePad::OnLButtonDown(UINT nFlags, int x, int y)
{
    UiWin::OnLButtonDown(nFlags, x, y);
    Invalidate(nullptr);
    return 0;
}

int GallerySwipePad::OnLButtonUp(UINT nFlags, int x, int y)
{
    int nResult = UiWin::OnLButtonUp(nFlags, x, y);
    Invalidate(nullptr);
    return nResult;
}

GalleryList::GalleryList()
{
    SetShowVIndicator(TRUE);
    SetShowHIndicator(TRUE);
}

void GalleryList::AddItem(UiWin* pItem, int x, int y)
{
    if (!AddChild(pItem)) return;
    m_itemOrigins.push_back(POINT {x, y});
    pItem->SetPos(x + m_nScrollX, y + m_nScrollY, 0, 0, UIPOS_KEEP_SIZE);
}

void GalleryList::SetContentSize(int nWidth, int nHeight)
{
    m_nContentWidth = nWidth;
    m_nContentHeight = nHeight;
}

void GalleryList::PlaceItems()
{
    int n = std::min<int>(GetChildCount(), static_cast<int>(m_itemOrigins.size()));
    for (int i = 0; i < n; ++i)
        GetChild(i)->SetPos(m_itemOrigins[i].x + m_nScrollX, m_itemOrigins[i].y + m_nScrollY, 0, 0, UIPOS_KEEP_SIZE);
}

void GalleryList::ScrollBy(int dx, int dy)
{
    // The content never leaves a gap at either end.
    int nMinX = std::min(0, m_nWidth - m_nContentWidth);
    int nMinY = std::min(0, m_nHeight - m_nContentHeight);
    m_nScrollX = std::clamp(m_nScrollX + dx, nMinX, 0);
    m_nScrollY = std::clamp(m_nScrollY + dy, nMinY, 0);
    PlaceItems();
}

void GalleryList::OnPaint(HDC hdc, const RECT* prc, const RECT*) { FillSolid(hdc, *prc, kListBack); }

int GalleryList::OnLButtonDown(UINT nFlags, int x, int y)
{
    UiWin::OnLButtonDown(nFlags, x, y);
    m_nDragX = x;
    m_nDragY = y;
    return 0;
}

int GalleryList::OnMouseMove(UINT nFlags, int x, int y)
{
    UiWin::OnMouseMove(nFlags, x, y);
    if (!IsPressed()) return 0;
    ScrollBy(x - m_nDragX, y - m_nDragY);
    m_nDragX = x;
    m_nDragY = y;
    SetScrolling(TRUE);
    Invalidate(nullptr);
    Update();
    return 0;
}

int GalleryList::OnLButtonUp(UINT nFlags, int x, int y)
{
    int nResult = UiWin::OnLButtonUp(nFlags, x, y);
    if (!IsScrolling()) return nResult;
    SetScrolling(FALSE);
    PostNotify(GALLERYWM_LIST_SCROLLED, static_cast<WPARAM>(m_nScrollX), static_cast<LPARAM>(m_nScrollY));
    // The horizontal indicator goes with the scrolling; the vertical one
    // fades, and its last step is painted over with the list.
    FadeIndicator();
    Invalidate(nullptr);
    Update();
    return nResult;
}

BOOL GalleryList::GetHThumbRect(const RECT* prc, RECT* prcThumb)
{
    RECT rcStrip = {prc->left + m_nIndicatorEdge, prc->bottom - m_nIndicatorInset - kBarThickness,
        prc->right - m_nIndicatorEdge, prc->bottom - m_nIndicatorInset};
    float view = static_cast<float>(m_nWidth);
    float content = static_cast<float>(m_nContentWidth);
    float scroll = static_cast<float>(m_nScrollX);
    int nTrack = rcStrip.right - rcStrip.left;
    int nLength = std::min(std::max(HThumbLength(view, content, scroll), kBarThickness), nTrack);
    if (nLength <= 0) return FALSE;
    *prcThumb = rcStrip;
    prcThumb->left = rcStrip.left + HThumbOffset(view, content, scroll, nTrack, nLength);
    prcThumb->right = prcThumb->left + nLength;
    return TRUE;
}

void GalleryList::FadeIndicator()
{
    RECT rcRight = {m_nWidth - m_nIndicatorEdge - kBarThickness, 0, m_nWidth, m_nHeight};
    RECT rcBottom = {0, m_nHeight - m_nIndicatorInset - kBarThickness, m_nWidth, m_nHeight};
    m_bFading = 1;
    for (int nStep = kFirstFadeStep; nStep <= kLastFadeStep; ++nStep) {
        m_nFadeStep = nStep;
        Invalidate(&rcRight);
        Invalidate(&rcBottom);
        Update();
        MSG msg;
        if (nStep < kLastFadeStep && PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE)) break;
    }
    m_nFadeStep = 0;
    m_bFading = 0;
}

void GalleryList::PaintFadeStep(HDC hdc, const RECT* prc, int nStep)
{
    UiWin::PaintFadeStep(hdc, prc, nStep);
    RECT rcThumb;
    if (!GetHThumbRect(prc, &rcThumb)) return;
    int nWidth = rcThumb.right - rcThumb.left;
    int nHeight = rcThumb.bottom - rcThumb.top;
    // The bar is drawn on a transparent 32-bit bitmap, then laid over the
    // list with less of it at each step.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = nWidth;
    info.bmiHeader.biHeight = -nHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    HBITMAP hBitmap = CreateDIBSection(hdc, &info, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HDC hdcBar = hBitmap ? CreateCompatibleDC(hdc) : nullptr;
    if (hdcBar) {
        HGDIOBJ hOld = SelectObject(hdcBar, hBitmap);
        RECT rcBar = {0, 0, nWidth, nHeight};
        OvDrawHorzBar(hdcBar, &rcBar);
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, static_cast<BYTE>(255 * (kLastFadeStep + 1 - nStep) / 5), AC_SRC_ALPHA};
        AlphaBlend(hdc, rcThumb.left, rcThumb.top, nWidth, nHeight, hdcBar, 0, 0, nWidth, nHeight, blend);
        SelectObject(hdcBar, hOld);
        DeleteDC(hdcBar);
    }
    if (hBitmap) DeleteObject(hBitmap);
}
