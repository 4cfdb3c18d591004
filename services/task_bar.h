// The shell's task bar, the top-level window of class "CTaskBar". Each
// function finds it on its first successful search and keeps that handle
// for the life of the process.
#pragma once

#include <windows.h>

// The ShowWindow result (non-zero when the task bar was visible before), or
// 0 when there is no task bar; a later call searches again.
BOOL HideTaskBar();
BOOL ShowTaskBar();
