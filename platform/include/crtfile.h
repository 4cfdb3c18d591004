// The C runtime's wide file functions: streams on the phone's CE paths.
//
// _wfopen returns an ordinary FILE*, so fread, fwrite, fseek and fclose work
// on it unchanged.
#pragma once

#include <cstdio>

#include "wintypes.h"

// Null with errno set (ENOENT, EACCES, EINVAL, ENAMETOOLONG) on failure.
FILE* _wfopen(const WCHAR* filename, const WCHAR* mode);
// 0 on success, -1 with errno set on failure.
int _wremove(const WCHAR* filename);
// Fails with EACCES when the new name already exists, as on the phone.
int _wrename(const WCHAR* oldname, const WCHAR* newname);
