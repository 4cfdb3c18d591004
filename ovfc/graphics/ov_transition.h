// Window transitions: fifteen ways of replacing one picture of an area with
// another, drawn frame after frame straight onto a DC. There is no timer;
// the sense of motion comes from step lengths that follow fixed tables,
// accelerating (walked forward) or decelerating (walked backward).
#pragma once

#include <windows.h>

#include <vector>

// The step tables the transitions split their distances with.
extern const double g_ovStepsS1[8];
extern const double g_ovStepsS2[8];
extern const double g_ovStepsS3[20];
extern const double g_ovStepsS4[30];

// The highest transition number; 1 to OV_TRANSITION_COUNT play something.
#define OV_TRANSITION_COUNT 15

// Splits |dDistance| into steps appended to *pSteps: the table's entries in
// order while they fit, then the last entry plus k x dGrowth for k = 1, 2, ...
// while those fit; what is left is added to the last step. The steps sum to
// the distance. 0, appending nothing, when the distance is 0 (or not a
// finite number) or the first entry does not fit.
int OvSplitDistance(
    double dDistance, const double* pTable, int nTableSize, std::vector<double>* pSteps, double dGrowth);

// Plays transition nAnim (1 to 15) from hOld to hNew, both bitmaps of the
// area's size (the caller keeps them), onto prcArea of hdcDest, blocking
// until the last frame is drawn. nAlphaStep is the cross-fade's alpha
// increment (its absolute value; 0 counts as 1). Other numbers draw nothing.
void OvDrawTransition(HBITMAP hOld, HBITMAP hNew, HDC hdcDest, const RECT* prcArea, int nAnim, int nAlphaStep);
