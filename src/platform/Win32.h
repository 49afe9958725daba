#pragma once

// For the Windows bodies only: <windows.h> without its names that the program defines itself.
// The system's SYSTEMTIME has the program's layout (platform/SystemTime.h); here it is named
// Win32SystemTime, and the bodies convert field by field.
#define _SYSTEMTIME Win32SystemTime_
#define SYSTEMTIME Win32SystemTime
#define PSYSTEMTIME PWin32SystemTime
#define LPSYSTEMTIME LPWin32SystemTime
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#undef _SYSTEMTIME
#undef SYSTEMTIME
#undef PSYSTEMTIME
#undef LPSYSTEMTIME
