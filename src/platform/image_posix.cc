// Private file images for the POSIX layer.

#include "platform/image_posix.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace swu {

namespace {

// The image the fault handler guards; one file is loaded at a time.
char* volatile g_image = nullptr;
volatile int64_t g_image_size = 0;
volatile sig_atomic_t g_image_damaged = 0;
uintptr_t g_page_size = 4096;

// A bus error inside the guarded image means the file was shortened
// below that page: the page is replaced by one of zeros, the damage is
// noted, and the access is retried. Any other bus error ends the process
// as it would have without this handler.
void OnBusError(int signal_number, siginfo_t* info, void* context) {
  (void)context;
  uintptr_t at = reinterpret_cast<uintptr_t>(info->si_addr);
  uintptr_t image = reinterpret_cast<uintptr_t>(g_image);
  if (image != 0 && at >= image &&
      at < image + static_cast<uintptr_t>(g_image_size)) {
    void* page = reinterpret_cast<void*>(at & ~(g_page_size - 1));
    if (mmap(page, g_page_size, PROT_READ | PROT_WRITE,
             MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
      g_image_damaged = 1;
      return;
    }
  }
  signal(signal_number, SIG_DFL);
}

void InstallBusErrorHandler() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  long page = sysconf(_SC_PAGESIZE);
  if (page > 0) g_page_size = static_cast<uintptr_t>(page);
  struct sigaction action = {};
  action.sa_sigaction = OnBusError;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  sigaction(SIGBUS, &action, nullptr);
}

}  // namespace

char* MapFileImage(int fd, int64_t size) {
  if (size <= 0) return nullptr;
  InstallBusErrorHandler();
  void* image = mmap(nullptr, static_cast<size_t>(size), PROT_READ | PROT_WRITE,
                     MAP_PRIVATE, fd, 0);
  if (image == MAP_FAILED) return nullptr;
  // Read ahead generously: the scan goes through the image once, in order.
  madvise(image, static_cast<size_t>(size), MADV_SEQUENTIAL);
  g_image_size = size;
  g_image = static_cast<char*>(image);
  g_image_damaged = 0;
  return g_image;
}

void ReleaseFileImage(char* image, int64_t size) {
  if (image == nullptr) return;
  if (g_image == image) {
    g_image = nullptr;
    g_image_size = 0;
  }
  munmap(image, static_cast<size_t>(size));
}

bool FileImageDamaged() { return g_image_damaged != 0; }

}  // namespace swu
