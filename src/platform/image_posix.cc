// Private file images for the POSIX layer.

#include "platform/image_posix.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

namespace swu {

namespace {

// What the fault handler reads: the image it guards, set while that image
// lives, and the page size, set once with the handler. A lock-free atomic
// may be read in a signal handler.
std::atomic<MappedImage*> g_guarded{nullptr};
static_assert(std::atomic<MappedImage*>::is_always_lock_free,
              "the fault handler reads the guarded image");
uintptr_t g_page_size = 4096;

}  // namespace

// A bus error inside the guarded image means the file was shortened below
// that page: the page is replaced by one of zeros, the image notes the
// damage, and the access is retried. Any other bus error ends the process
// as it would have without this handler.
void MappedImage::OnBusError(int signal_number, siginfo_t* info,
                             void* context) {
  (void)context;
  MappedImage* guarded = g_guarded.load();
  uintptr_t at = reinterpret_cast<uintptr_t>(info->si_addr);
  if (guarded != nullptr) {
    uintptr_t image = reinterpret_cast<uintptr_t>(guarded->data_);
    if (at >= image && at < image + static_cast<uintptr_t>(guarded->size_)) {
      void* page = reinterpret_cast<void*>(at & ~(g_page_size - 1));
      if (mmap(page, g_page_size, PROT_READ,
               MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
        guarded->damaged_ = 1;
        return;
      }
    }
  }
  signal(signal_number, SIG_DFL);
}

void MappedImage::InstallBusErrorHandler() {
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

std::unique_ptr<MappedImage> MappedImage::Map(int fd, int64_t size) {
  if (size <= 0) return nullptr;
  InstallBusErrorHandler();
  void* data =
      mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
  if (data == MAP_FAILED) return nullptr;
  // Read ahead generously: the scan goes through the image once, in order.
  madvise(data, static_cast<size_t>(size), MADV_SEQUENTIAL);
  std::unique_ptr<MappedImage> image(
      new MappedImage(static_cast<char*>(data), size));
  g_guarded.store(image.get());
  return image;
}

MappedImage::~MappedImage() {
  // Only the image guarded last stops the guard; one mapped after it
  // keeps it.
  MappedImage* self = this;
  g_guarded.compare_exchange_strong(self, nullptr);
  munmap(data_, static_cast<size_t>(size_));
}

}  // namespace swu
