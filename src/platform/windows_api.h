#ifndef TARNO_PLATFORM_WINDOWS_API_H_
#define TARNO_PLATFORM_WINDOWS_API_H_

// The one way the Windows files include <windows.h>: no min/max macros to break the
// standard library, none of the rarely used parts.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#endif  // TARNO_PLATFORM_WINDOWS_API_H_
