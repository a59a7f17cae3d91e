// Private file images for the POSIX layer: a file mapped copy-on-write,
// and a SIGBUS handler that turns a page lost to another program's
// shortening of the file into a page of zeros and a flag, instead of the
// end of the process. The program never writes a file while its image is
// in use (an in-place result goes to a journal first), so the image needs
// no copies of its own.

#ifndef SWU_PLATFORM_IMAGE_POSIX_H_
#define SWU_PLATFORM_IMAGE_POSIX_H_

#include <cstdint>

namespace swu {

// Maps the first |size| bytes of the file open as |fd| privately and makes
// it the image the fault handler guards. Returns nullptr on failure.
char* MapFileImage(int fd, int64_t size);

// Unmaps an image from MapFileImage.
void ReleaseFileImage(char* image, int64_t size);

// True when a page of the guarded image has read as zeros because the
// file no longer reached it.
bool FileImageDamaged();

}  // namespace swu

#endif  // SWU_PLATFORM_IMAGE_POSIX_H_
