// -L files are measured by seeking to their end, then read in one piece.

#include "cli/text_file.h"

#include <cstring>
#include <new>

#include "cli/settings.h"

namespace swu {

bool AllocateTextBlock(int64_t size, std::vector<char>* block) {
  // The library reports a failed allocation by throwing; this is the one
  // place that turns it into a value.
  try {
    block->assign(static_cast<size_t>(size), '\0');
  } catch (const std::bad_alloc&) {
    block->clear();
    return false;
  }
  return true;
}

namespace {

void Store(LoadStatus status, uint8_t* slot) {
  *slot = static_cast<uint8_t>(status);
}

// Measures |stream|. Returns the size, or stores the failure in *status and
// returns -1.
int64_t MeasureTextFile(File* stream, uint8_t* status) {
  int64_t size = SizeOf(stream);
  if (size < 0) {
    Store(LoadStatus::kUnreadable, status);
    return -1;
  }
  if (size == 0 || size > kMaxFileSize) {
    Store(LoadStatus::kBadSize, status);
    return -1;
  }
  return size;
}

}  // namespace

void LoadTextFile(const char* name, FileSystem* files, SystemRules* rules,
                  const TextFileTarget& target) {
  *target.length = 0;
  std::unique_ptr<File> stream =
      files->Open(rules->FromTypedPath(name), OpenMode::kRead);
  if (stream == nullptr) {
    Store(LoadStatus::kNotFound, target.load_status);
    return;
  }
  int64_t size = MeasureTextFile(stream.get(), target.load_status);
  if (size < 0) return;  // The status says why.

  char* storage;
  if (size <= kMaxText) {
    // The name is replaced by the file's contents; nothing of it is left
    // behind the text.
    memset(target.buffer, 0, kBufferSize);
    storage = target.buffer;
  } else {
    if (!AllocateTextBlock(size, target.block)) {
      Store(LoadStatus::kNoMemory, target.load_status);
      return;
    }
    storage = target.block->data();
  }
  if (!stream->Seek(0, Whence::kStart) || stream->Read(storage, size) != size) {
    target.block->clear();
    Store(LoadStatus::kUnreadable, target.load_status);
    return;
  }
  Store(size <= kMaxText ? LoadStatus::kInBuffer : LoadStatus::kInBlock,
        target.load_status);
  *target.length = static_cast<uint32_t>(size);
}

}  // namespace swu
