#pragma once

#include "wintypes.h"
#include "winerror.h"
