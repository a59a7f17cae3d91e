// Private file images for the POSIX layer: a file mapped copy-on-write,
// and a SIGBUS handler that turns a page lost to another program's
// shortening of the file into a page of zeros and the image's damage flag,
// instead of the end of the process. The program never writes a file while
// its image is in use (an in-place result goes to a journal first), so the
// image is read-only.

#ifndef SWU_PLATFORM_IMAGE_POSIX_H_
#define SWU_PLATFORM_IMAGE_POSIX_H_

#include <signal.h>

#include <cstdint>
#include <memory>

#include "platform/platform.h"

namespace swu {

class MappedImage : public FileImage {
 public:
  // Maps the first |size| bytes of the file open as |fd| privately and
  // makes the image the one the fault handler guards (one file is loaded
  // at a time). Returns nullptr on failure.
  static std::unique_ptr<MappedImage> Map(int fd, int64_t size);

  // Unmaps the image; the handler stops guarding it.
  ~MappedImage() override;
  MappedImage(const MappedImage&) = delete;
  MappedImage& operator=(const MappedImage&) = delete;

  const char* data() const override { return data_; }
  int64_t size() const override { return size_; }
  bool damaged() const override { return damaged_ != 0; }
  // Linux keeps a private mapping's unwritten pages those of the file.
  bool SeesWrites() const override {
#ifdef __linux__
    return true;
#else
    return false;
#endif
  }

 private:
  MappedImage(char* data, int64_t size) : data_(data), size_(size) {}

  // The SIGBUS handler; it sets damaged_ of the image it guards.
  static void OnBusError(int signal_number, siginfo_t* info, void* context);
  static void InstallBusErrorHandler();

  char* const data_;
  const int64_t size_;
  volatile sig_atomic_t damaged_ = 0;
};

}  // namespace swu

#endif  // SWU_PLATFORM_IMAGE_POSIX_H_
