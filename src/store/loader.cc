// Loading a file.

#include "store/loader.h"

#include <memory>
#include <utility>

namespace swu {

namespace {

// Files from this size on are mapped rather than read, where they can be.
constexpr int64_t kMapFrom = 1 << 20;

// Opens the file itself: for update, or for reading in the report-only
// modes and under -$. Tells a file that cannot be written from one that
// cannot be opened at all. Under --diff a file to be changed in place is
// read, once it is known that it could be written.
FileError OpenStream(const Settings& settings, Platform* platform,
                     const std::string& path, std::unique_ptr<Stream>* input) {
  if (settings.output_mode() || settings.report_only()) {
    *input = platform->Open(path, OpenMode::kRead);
    return *input == nullptr ? FileError::OpenFailed : FileError::None;
  }
  *input = platform->Open(path, OpenMode::kUpdate);
  if (*input != nullptr && settings.shows_diff()) {
    *input = platform->Open(path, OpenMode::kRead);
    if (*input == nullptr) return FileError::OpenFailed;
  }
  if (*input != nullptr) return FileError::None;
  if (platform->Open(path, OpenMode::kRead) != nullptr)
    return FileError::ReadOnly;
  return FileError::OpenFailed;
}

// Opens the file and locks it for this run until its commit, so that two
// runs over one file take turns; a lock held too long fails the file.
// Stores what the file is as loaded in *identity.
FileError OpenInput(const Settings& settings, Platform* platform,
                    const std::string& path, std::unique_ptr<Stream>* input,
                    FileIdentity* identity) {
  FileError error = OpenStream(settings, platform, path, input);
  if (error != FileError::None) return error;
  if (!(*input)->Lock(kLockWaitMs) || !(*input)->Identify(identity)) {
    input->reset();
    return FileError::OpenFailed;
  }
  return FileError::None;
}

// Reads the whole file as one item into the buffer. A large file is
// mapped instead where the platform can, which spares zeroing a block of
// its size and copying the file into it.
FileError ReadImage(Stream* input, int64_t size, FileBuffer* buffer) {
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

FileError LoadCurrentFile(const Settings& settings, Platform* platform,
                          const std::string& path, FileBuffer* buffer,
                          LoadedInput* input) {
  *input = LoadedInput();
  FileError error =
      OpenInput(settings, platform, path, &input->stream, &input->identity);
  if (error != FileError::None) return error;
  input->unlocked = input->stream->unlocked();
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

}  // namespace swu
