// The program's entry point as the phone's runtime calls it. The host's main
// sets up the phone and then calls the WinMain the program defines.
#pragma once

#include "wintypes.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nShowCmd);
