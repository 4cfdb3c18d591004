// The transition painter. Each transition walks a list of step lengths and
// draws one frame per step from two memory DCs holding the old and the new
// picture; the zoom-out and the cross-fade compose their frames in an
// off-screen buffer first so that the screen never shows a half frame.
#include "ovfc/graphics/ov_transition.h"

#include <cmath>
#include <cstdlib>

const double g_ovStepsS1[8] = {1, 1, 2, 2, 3, 3, 4, 4};
const double g_ovStepsS2[8] = {1, 2, 3, 4, 5, 6, 7, 8};
const double g_ovStepsS3[20] = {1, 2, 3, 5, 8, 12, 18, 24, 30, 36, 36, 30, 24, 18, 12, 8, 5, 4, 3, 3};
const double g_ovStepsS4[30] = {
    20, 20, 20, 20, 20, 16, 16, 16, 16, 16, 12, 12, 12, 12, 12, 8, 8, 8, 8, 8, 4, 4, 4, 4, 4, 2, 2, 2, 2, 2};

int OvSplitDistance(double dDistance, const double* pTable, int nTableSize, std::vector<double>* pSteps, double dGrowth)
{
    if (dDistance == 0 || !std::isfinite(dDistance) || !pTable || nTableSize <= 0 || !pSteps) return 0;
    double dRemaining = dDistance > 0 ? dDistance : -dDistance;
    std::size_t nFirst = pSteps->size();
    for (int i = 0; i < nTableSize; ++i) {
        double t = pTable[i];
        if (dRemaining - t < 0) {
            if (i == 0) return 0;
            break;
        }
        pSteps->push_back(t);
        dRemaining -= t;
    }
    double dLast = pTable[nTableSize - 1];
    for (int k = 1;; ++k) {
        double u = dLast + k * dGrowth;
        // A step that does not move would repeat for ever.
        if (!(u > 0) || dRemaining - u < 0) break;
        pSteps->push_back(u);
        dRemaining -= u;
    }
    if (dRemaining > 0) {
        if (pSteps->size() > nFirst)
            pSteps->back() += dRemaining;
        else
            pSteps->push_back(dRemaining);
    }
    return 1;
}

namespace {

// A memory DC compatible with hdcRef holding hBitmap (or, with nWidth and
// nHeight, a new bitmap of its own) until it goes out of scope.
class MemoryCanvas {
public:
    MemoryCanvas(HDC hdcRef, HBITMAP hBitmap)
        : m_hDC(CreateCompatibleDC(hdcRef))
    {
        if (m_hDC && hBitmap) m_hOld = SelectObject(m_hDC, hBitmap);
    }
    MemoryCanvas(HDC hdcRef, int nWidth, int nHeight)
        : m_hDC(CreateCompatibleDC(hdcRef))
        , m_hOwned(CreateCompatibleBitmap(hdcRef, nWidth, nHeight))
    {
        if (m_hDC && m_hOwned) m_hOld = SelectObject(m_hDC, m_hOwned);
    }
    ~MemoryCanvas()
    {
        if (m_hOld) SelectObject(m_hDC, m_hOld);
        if (m_hOwned) DeleteObject(m_hOwned);
        if (m_hDC) DeleteDC(m_hDC);
    }
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;

    HDC GetDC() const { return m_hDC; }

private:
    HDC m_hDC = nullptr;
    HBITMAP m_hOwned = nullptr;
    HGDIOBJ m_hOld = nullptr;
};

// Everything one transition draws with.
struct TransitionContext {
    HDC hdcDest;
    HDC hdcOld;
    HDC hdcNew;
    int x0;
    int y0;
    int W;
    int H;

    void Copy(int xDst, int yDst, int nWidth, int nHeight, HDC hdcSrc, int xSrc, int ySrc) const
    {
        StretchBlt(hdcDest, xDst, yDst, nWidth, nHeight, hdcSrc, xSrc, ySrc, nWidth, nHeight, SRCCOPY);
    }
    void WholeNew() const { Copy(x0, y0, W, H, hdcNew, 0, 0); }
    void WholeOld() const { Copy(x0, y0, W, H, hdcOld, 0, 0); }
};

enum class Order { Forward, Backward };

// Walks the steps in the order given and calls draw with the position
// reached (the running sum, truncated) after each step.
template <typename Draw> void WalkSteps(const std::vector<double>& steps, Order order, Draw draw)
{
    double dSum = 0;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        dSum += order == Order::Forward ? steps[i] : steps[steps.size() - 1 - i];
        draw(dSum);
    }
}

std::vector<double> Split(double dDistance, const double* pTable, int nTableSize, double dGrowth)
{
    std::vector<double> steps;
    OvSplitDistance(dDistance, pTable, nTableSize, &steps, dGrowth);
    return steps;
}

// Transitions 1 to 12: bands of the two pictures sliding or pushing.
void PlaySlide(const TransitionContext& k, int nAnim)
{
    const int x0 = k.x0, y0 = k.y0, W = k.W, H = k.H;
    bool bVertical = nAnim <= 4 || nAnim == 9 || nAnim == 10;
    const double* pTable = nAnim >= 9 ? g_ovStepsS1 : g_ovStepsS2;
    std::vector<double> steps = Split(bVertical ? H : W, pTable, 8, 5);
    static const Order orders[12] = {Order::Backward, Order::Forward, Order::Backward, Order::Forward, Order::Backward,
        Order::Backward, Order::Backward, Order::Forward, Order::Forward, Order::Forward, Order::Backward,
        Order::Backward};
    if (nAnim == 5 || nAnim == 7) k.WholeOld();
    WalkSteps(steps, orders[nAnim - 1], [&](double dSum) {
        int s = static_cast<int>(dSum);
        switch (nAnim) {
        case 1:
            k.Copy(x0, y0 + H - s, W, s, k.hdcNew, 0, 0);
            break;
        case 2:
            k.Copy(x0, y0 + s, W, H - s, k.hdcOld, 0, 0);
            k.Copy(x0, y0, W, s, k.hdcNew, 0, 0);
            break;
        case 3:
            k.Copy(x0, y0, W, s, k.hdcNew, 0, H - s);
            break;
        case 4:
            k.Copy(x0, y0 + H - s, W, s, k.hdcNew, 0, H - s);
            k.Copy(x0, y0, W, H - s, k.hdcOld, 0, s);
            break;
        case 5:
            k.Copy(x0, y0, s, H, k.hdcNew, W - s, 0);
            break;
        case 6:
            k.Copy(x0, y0, W - s, H, k.hdcOld, s, 0);
            k.Copy(x0 + W - s, y0, s, H, k.hdcNew, W - s, 0);
            break;
        case 7:
            k.Copy(x0 + W - s, y0, s, H, k.hdcNew, 0, 0);
            break;
        case 8:
            k.Copy(x0 + s, y0, W - s, H, k.hdcOld, 0, 0);
            k.Copy(x0, y0, s, H, k.hdcNew, 0, 0);
            break;
        case 9:
            k.Copy(x0, y0, W, H - s, k.hdcOld, 0, s);
            k.Copy(x0, y0 + H - s, W, s, k.hdcNew, 0, 0);
            break;
        case 10:
            k.Copy(x0, y0 + s, W, H - s, k.hdcOld, 0, 0);
            k.Copy(x0, y0, W, s, k.hdcNew, 0, H - s);
            break;
        case 11:
            k.Copy(x0 + s, y0, W - s, H, k.hdcOld, 0, 0);
            k.Copy(x0, y0, s, H, k.hdcNew, W - s, 0);
            break;
        case 12:
            k.Copy(x0, y0, W - s, H, k.hdcOld, s, 0);
            k.Copy(x0 + W - s, y0, s, H, k.hdcNew, 0, 0);
            break;
        }
    });
    if (bVertical) k.WholeNew();
}

// Transition 13: the new picture grows from the centre.
void PlayZoomIn(const TransitionContext& c)
{
    double r = static_cast<double>(c.W) / c.H;
    std::vector<double> steps = Split(c.H / 2, g_ovStepsS3, 20, 0);
    WalkSteps(steps, Order::Backward, [&](double dSum) {
        int x = static_cast<int>((c.x0 + c.W / 2) - dSum * r);
        int y = static_cast<int>((c.y0 + c.H / 2) - dSum);
        StretchBlt(c.hdcDest, x, y, static_cast<int>(2 * dSum * r), static_cast<int>(2 * dSum), c.hdcNew, 0, 0, c.W,
            c.H, SRCCOPY);
    });
    c.WholeNew();
}

// Transition 14: the old picture shrinks toward the centre, the new one
// showing around it. Each frame copies to the screen only the area the old
// picture covered before this step.
void PlayZoomOut(const TransitionContext& c)
{
    MemoryCanvas buffer(c.hdcDest, c.W, c.H);
    HDC hdcBuf = buffer.GetDC();
    double r = static_cast<double>(c.W) / c.H;
    double x = 0, y = 0, w = c.W, h = c.H;
    std::vector<double> steps = Split(c.H / 2, g_ovStepsS4, 30, 0);
    for (double t : steps) {
        int xi = static_cast<int>(x), yi = static_cast<int>(y);
        int wi = static_cast<int>(w), hi = static_cast<int>(h);
        StretchBlt(hdcBuf, xi, yi, wi, hi, c.hdcNew, xi, yi, wi, hi, SRCCOPY);
        double xPrev = x, yPrev = y;
        x += t * r;
        y += t;
        w -= 2 * t * r;
        h -= 2 * t;
        StretchBlt(hdcBuf, static_cast<int>(x), static_cast<int>(y), static_cast<int>(w), static_cast<int>(h), c.hdcOld,
            0, 0, c.W, c.H, SRCCOPY);
        StretchBlt(c.hdcDest, static_cast<int>(c.x0 + xPrev), static_cast<int>(c.y0 + yPrev), wi, hi, hdcBuf, xi, yi,
            wi, hi, SRCCOPY);
    }
    c.WholeNew();
}

// Transition 15: cross-fade with a constant alpha rising by the step.
void PlayCrossFade(const TransitionContext& c, int nAlphaStep)
{
    MemoryCanvas buffer(c.hdcDest, c.W, c.H);
    HDC hdcBuf = buffer.GetDC();
    // A step of 0 would never reach the end: it counts as 1.
    long long nStep = std::llabs(static_cast<long long>(nAlphaStep));
    if (nStep == 0) nStep = 1;
    for (long long nAlpha = 0; nAlpha <= 255; nAlpha += nStep) {
        BitBlt(hdcBuf, 0, 0, c.W, c.H, c.hdcOld, 0, 0, SRCCOPY);
        BLENDFUNCTION blend {AC_SRC_OVER, 0, static_cast<BYTE>(nAlpha), 0};
        AlphaBlend(hdcBuf, 0, 0, c.W, c.H, c.hdcNew, 0, 0, c.W, c.H, blend);
        BitBlt(c.hdcDest, c.x0, c.y0, c.W, c.H, hdcBuf, 0, 0, SRCCOPY);
    }
}

}  // namespace

void OvDrawTransition(HBITMAP hOld, HBITMAP hNew, HDC hdcDest, const RECT* prcArea, int nAnim, int nAlphaStep)
{
    if (!prcArea) return;
    MemoryCanvas oldCanvas(hdcDest, hOld);
    MemoryCanvas newCanvas(hdcDest, hNew);
    TransitionContext c {hdcDest, oldCanvas.GetDC(), newCanvas.GetDC(), prcArea->left, prcArea->top,
        prcArea->right - prcArea->left, prcArea->bottom - prcArea->top};
    if (nAnim >= 1 && nAnim <= 12)
        PlaySlide(c, nAnim);
    else if (nAnim == 13)
        PlayZoomIn(c);
    else if (nAnim == 14)
        PlayZoomOut(c);
    else if (nAnim == 15)
        PlayCrossFade(c, nAlphaStep);
}
