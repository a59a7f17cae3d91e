// <windows.h> for the Windows files of the platform layer, included before
// anything else. Its macros DeleteFile, RemoveDirectory, GetCurrentDirectory
// and SetCurrentDirectory would rename the interface's methods, so they are
// undefined and the ...W functions called by name.

#ifndef SWU_PLATFORM_SYSTEM_WIN32_H_
#define SWU_PLATFORM_SYSTEM_WIN32_H_

// The C++ library may have set some of these already.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef NOGDI
#define NOGDI
#endif
#include <windows.h>
#undef DeleteFile
#undef RemoveDirectory
#undef GetCurrentDirectory
#undef SetCurrentDirectory

#endif  // SWU_PLATFORM_SYSTEM_WIN32_H_
