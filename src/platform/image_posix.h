// Private file images for the POSIX layer: a file mapped copy-on-write,
// whose pages are copied before the program writes over the file there,
// and a SIGBUS handler that turns a page lost to another program's
// shortening of the file into a page of zeros and a flag, instead of the
// end of the process.

#ifndef SWU_PLATFORM_IMAGE_POSIX_H_
#define SWU_PLATFORM_IMAGE_POSIX_H_

#include <cstdint>

namespace swu {

// Maps the first |size| bytes of the file open as |fd| privately and makes
// it the image the fault handler guards. Returns nullptr on failure.
char* MapFileImage(int fd, int64_t size);

// Gives the pages of |image| (|image_size| bytes) that show the file's
// bytes [offset, offset + n) copies of their own, so that writing the
// file there leaves the image as it was.
void KeepImagePages(char* image, int64_t image_size, int64_t offset, int64_t n);

// Moves the bytes of |image| past |from| out of the file's pages, so that
// cutting the file at |from| leaves them in the image: shortening a file
// discards even the pages of a private mapping that had been copied.
// Returns false when no memory could be had for them.
bool DetachImageTail(char* image, int64_t image_size, int64_t from);

// Unmaps an image from MapFileImage.
void ReleaseFileImage(char* image, int64_t size);

// True when a page of the guarded image has read as zeros because the
// file no longer reached it.
bool FileImageDamaged();

}  // namespace swu

#endif  // SWU_PLATFORM_IMAGE_POSIX_H_
