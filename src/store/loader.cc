// Loading a file.

#include "store/loader.h"

#include <cassert>
#include <cstring>
#include <memory>
#include <utility>

#include "store/late_lock.h"

namespace swu {

namespace {

// Files from this size on are mapped rather than read, where they can be.
// A file loaded unlocked is always read: its late lock compares the file
// with the image, which must be a copy.
constexpr int64_t kMapFrom = 1 << 20;
static_assert(kLockLaterUpTo < kMapFrom, "a late-locked file is read");

// Opens the file itself: for update, or for reading in the report-only
// modes and under -$, and stores what it is in *identity. Tells a file
// that cannot be written from one that cannot be opened at all. Under
// --diff a file to be changed in place is read, once it is known that it
// could be written.
FileError OpenStream(const Settings& settings, FileSystem* files,
                     const std::string& path, std::unique_ptr<File>* input,
                     FileIdentity* identity) {
  if (settings.output_mode() || settings.report_only()) {
    *input = files->OpenIdentified(path, OpenMode::kRead, identity);
    return *input == nullptr ? FileError::OpenFailed : FileError::None;
  }
  *input = files->OpenIdentified(path, OpenMode::kUpdate, identity);
  if (*input != nullptr && settings.shows_diff()) {
    *input = files->OpenIdentified(path, OpenMode::kRead, identity);
    if (*input == nullptr) return FileError::OpenFailed;
  }
  if (*input != nullptr) return FileError::None;
  if (files->Open(path, OpenMode::kRead) != nullptr) return FileError::ReadOnly;
  return FileError::OpenFailed;
}

// True when the file, open as |identity|, may be loaded unlocked: it is
// to be rewritten in place, and small enough for its late lock to read it
// again (store/late_lock.h).
bool MayLockLater(const Settings& settings, const FileIdentity& identity) {
  return !settings.output_mode() && !settings.report_only() &&
         !settings.shows_diff() && identity.size >= 0 &&
         identity.size <= kLockLaterUpTo;
}

// Opens the file and, unless |lock_later| allows otherwise, locks it for
// this run until its commit, so that two runs over one file take turns; a
// lock held too long fails the file. Stores what the file is as loaded in
// input->identity.
FileError OpenInput(const Settings& settings, FileSystem* files,
                    const std::string& path, bool lock_later,
                    LoadedInput* input) {
  FileError error =
      OpenStream(settings, files, path, &input->stream, &input->identity);
  if (error != FileError::None) return error;
  if (lock_later && MayLockLater(settings, input->identity)) return error;
  if (!input->stream->Lock(kLockWaitMs) ||
      !input->stream->Identify(&input->identity)) {
    input->stream.reset();
    return FileError::OpenFailed;
  }
  input->locked = true;
  input->unlocked = input->stream->unlocked();
  return FileError::None;
}

// Reads the whole file as one item into the buffer. A large file is
// mapped instead where the platform can, which spares zeroing a block of
// its size and copying the file into it.
FileError ReadImage(File* input, int64_t size, FileBuffer* buffer) {
  if (size >= kMapFrom) {
    std::unique_ptr<FileImage> image = input->MapImage(size);
    if (image != nullptr) {
      buffer->UseMappedImage(std::move(image));
      return FileError::None;
    }
  }
  if (!buffer->MakeRoom(size)) return FileError::LoadNoMemory;
  buffer->SetImage(size);
  if (!input->Seek(0, Whence::kStart)) return FileError::ReadFailed;
  if (input->Read(buffer->block(), size) != size) return FileError::ReadFailed;
  return FileError::None;
}

}  // namespace

FileError LoadCurrentFile(const Settings& settings, FileSystem* files,
                          const std::string& path, bool lock_later,
                          FileBuffer* buffer, LoadedInput* input) {
  *input = LoadedInput();
  FileError error = OpenInput(settings, files, path, lock_later, input);
  if (error != FileError::None) return error;
  // The size as the file was identified once locked.
  int64_t size = input->identity.size;
  if (size < 0) {
    error = FileError::ReadFailed;
  } else if (size > kMaxFileSize) {
    error = FileError::BadSize;
  } else if (size == 0) {
    // An empty file holds no match; it takes the -B/-T text like a
    // created one.
    if (!buffer->MakeCreatedImage()) error = FileError::LoadNoMemory;
  } else {
    error = ReadImage(input->stream.get(), size, buffer);
  }
  if (error != FileError::None) input->stream.reset();
  return error;
}

FileError AdoptLoadedFile(LoadedAhead ahead, FileBuffer* buffer,
                          LoadedInput* input) {
  int64_t size = ahead.identity.size;
  assert(size > 0 && size <= kLockLaterUpTo &&
         static_cast<int64_t>(ahead.bytes.size()) == size);
  *input = LoadedInput();
  if (!buffer->MakeRoom(size)) return FileError::LoadNoMemory;
  buffer->SetImage(size);
  memcpy(buffer->block(), ahead.bytes.data(), ahead.bytes.size());
  input->stream = std::move(ahead.stream);
  input->identity = ahead.identity;
  return FileError::None;
}

}  // namespace swu
