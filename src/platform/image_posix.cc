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
// Bytes of the guarded image kept so far, and whether it has been moved
// out of the file's pages altogether.
int64_t g_kept = 0;
bool g_move_tried = false;
bool g_detached = false;

// Once this share of an image is to be kept page by page, it is cheaper to
// copy the whole image at once into memory of its own.
constexpr int64_t kDetachShare = 8;

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
  g_kept = 0;
  g_move_tried = false;
  g_detached = false;
  return g_image;
}

// Replaces the file's pages under |length| bytes at |at| with anonymous
// memory holding the same bytes. Returns false when there is no memory.
bool MoveToOwnPages(char* at, size_t length, bool large) {
  size_t whole = (length + g_page_size - 1) & ~(g_page_size - 1);
  void* copy = mmap(nullptr, whole, PROT_READ | PROT_WRITE,
                    MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (copy == MAP_FAILED) return false;
  if (large) madvise(copy, whole, MADV_HUGEPAGE);
  memcpy(copy, at, length);
#ifdef MREMAP_FIXED
  // The copy takes the place of the file's pages in one step.
  if (mremap(copy, whole, whole, MREMAP_MAYMOVE | MREMAP_FIXED, at) !=
      MAP_FAILED) {
    return true;
  }
#endif
  bool moved =
      mmap(at, whole, PROT_READ | PROT_WRITE,
           MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED;
  if (moved) memcpy(at, copy, length);
  munmap(copy, whole);
  return moved;
}

// The same for a whole image, a piece at a time, so that the file's pages
// leave the process as fast as the copies come.
bool MoveWholeImage(char* image, int64_t image_size) {
  constexpr int64_t kPiece = 4 << 20;
  for (int64_t at = 0; at < image_size; at += kPiece) {
    int64_t length = std::min(kPiece, image_size - at);
    if (!MoveToOwnPages(image + at, static_cast<size_t>(length), true)) {
      return false;
    }
  }
  return true;
}

bool Detached(const char* image) { return image == g_image && g_detached; }

void KeepImagePages(char* image, int64_t image_size, int64_t offset,
                    int64_t n) {
  if (image == nullptr || n <= 0 || offset >= image_size) return;
  if (Detached(image)) return;
  if (image == g_image && !g_move_tried) {
    g_kept += n;
    if (g_kept > image_size / kDetachShare) {
      // Tried once: without the memory for it, pages are kept one by one.
      g_move_tried = true;
      g_detached = MoveWholeImage(image, image_size);
      if (g_detached) return;
    }
  }
  int64_t page = static_cast<int64_t>(g_page_size);
  int64_t first = std::max<int64_t>(offset, 0) / page * page;
  int64_t end = std::min(offset + n, image_size);
#ifdef MADV_POPULATE_WRITE
  // One call copies the whole range where the kernel can do it.
  if (madvise(image + first, static_cast<size_t>(end - first),
              MADV_POPULATE_WRITE) == 0) {
    return;
  }
#endif
  // A write to each page makes the copy; adding zero keeps the bytes.
  for (int64_t at = first; at < end; at += page) {
    __atomic_fetch_add(reinterpret_cast<unsigned char*>(image + at), 0,
                       __ATOMIC_RELAXED);
  }
}

bool DetachImageTail(char* image, int64_t image_size, int64_t from) {
  if (image == nullptr || from >= image_size || Detached(image)) return true;
  // The page the new end falls in stays the file's: a copy of its own
  // keeps the bytes past the end, which the file then reads as zeros.
  KeepImagePages(image, image_size, from, 1);
  if (Detached(image)) return true;
  int64_t page = static_cast<int64_t>(g_page_size);
  int64_t first = (std::max<int64_t>(from, 0) + page - 1) / page * page;
  if (first >= image_size) return true;
  return MoveToOwnPages(image + first, static_cast<size_t>(image_size - first),
                        false);
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
