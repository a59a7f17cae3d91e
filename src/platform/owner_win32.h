// Owners for the Windows layer: the user who owns an open file and the
// user the process runs as, each as the number that FileIdentity::owner
// and Platform::CurrentUser give the portable checks of whom a file
// belongs to.

#ifndef SWU_PLATFORM_OWNER_WIN32_H_
#define SWU_PLATFORM_OWNER_WIN32_H_

#include <cstdint>

#include "platform/system_win32.h"

namespace swu {

// Stores in *owner the number of the owner of the open |file|, read from
// the file's security descriptor through the handle (never by name, which
// another program may have pointed elsewhere meanwhile). Returns false on
// failure.
bool OwnerOf(HANDLE file, uint32_t* owner);

// The number of the user the process runs as, as the owner of the files it
// creates, from its access token; when the token cannot be read, a number
// that no owner has.
uint32_t ProcessUser();

}  // namespace swu

#endif  // SWU_PLATFORM_OWNER_WIN32_H_
