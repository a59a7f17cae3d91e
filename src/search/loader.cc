// Loading a file and opening its output.

#include "search/loader.h"

namespace swu {

namespace {

bool Appending(const Settings& settings) {
  char form = static_cast<char>(settings[kOutputMode]);
  return form == 'A' || form == 'B';
}

// Opens the -$ output file: appended to under -$:A and -$:B, else replaced.
FileError OpenOutputFile(const Settings& settings, Platform* platform,
                         const std::string& output_path, LoadedFile* loaded) {
  bool append = Appending(settings);
  loaded->stream =
      platform->Open(output_path, append ? OpenMode::kAppend : OpenMode::kCreate);
  if (loaded->stream == nullptr) return FileError::WriteOpenFailed;
  OutputTarget& target = loaded->target;
  target.path = output_path;
  target.in_place = false;
  target.writable = true;
  target.append_base = -1;
  if (append) {
    // Remembered so that a failed file can be cut off again.
    if (!loaded->stream->Seek(0, Whence::kEnd) ||
        (target.append_base = loaded->stream->Tell()) < 0) {
      loaded->stream.reset();
      return FileError::WriteOpenFailed;
    }
  }
  return FileError::None;
}

// Hands the loaded file's stream on as its output, or, under -$, closes it
// and opens the output file instead.
FileError OpenOutput(const Settings& settings, Platform* platform,
                     const std::string& path, const std::string& output_path,
                     std::unique_ptr<Stream> input, LoadedFile* loaded) {
  if (settings.output_mode()) {
    input.reset();
    return OpenOutputFile(settings, platform, output_path, loaded);
  }
  if (!input->Seek(0, Whence::kStart)) return FileError::ReadFailed;
  loaded->stream = std::move(input);
  loaded->target.path = path;
  loaded->target.in_place = true;
  loaded->target.writable = !settings.report_only();
  return FileError::None;
}

// Creates the missing file (or, under -$, its output file) for -B:C/-T:C.
FileError CreateFile(const Settings& settings, Platform* platform,
                     const std::string& path, const std::string& output_path,
                     FileBuffer* buffer, LoadedFile* loaded) {
  if (settings.output_mode()) {
    FileError error = OpenOutputFile(settings, platform, output_path, loaded);
    if (error != FileError::None) return error;
  } else {
    // Opened without truncating: a file that exists but could not be read
    // is left as it is.
    loaded->stream = platform->Open(path, OpenMode::kAppend);
    if (loaded->stream == nullptr) return FileError::WriteOpenFailed;
    if (!loaded->stream->Seek(0, Whence::kEnd) || loaded->stream->Tell() != 0) {
      loaded->stream.reset();
      return FileError::OpenFailed;
    }
    loaded->target.path = path;
    loaded->target.in_place = true;
    loaded->target.writable = true;
  }
  loaded->target.created = true;
  if (!buffer->MakeCreatedImage()) {
    loaded->stream.reset();
    return FileError::LoadNoMemory;
  }
  return FileError::None;
}

// Opens the file itself: for update, or for reading in the report-only
// modes and under -$. Tells a file that cannot be written from one that
// cannot be opened at all.
FileError OpenInput(const Settings& settings, Platform* platform,
                    const std::string& path, std::unique_ptr<Stream>* input) {
  if (settings.output_mode() || settings.report_only()) {
    *input = platform->Open(path, OpenMode::kRead);
    return *input == nullptr ? FileError::OpenFailed : FileError::None;
  }
  *input = platform->Open(path, OpenMode::kUpdate);
  if (*input != nullptr) return FileError::None;
  if (platform->Open(path, OpenMode::kRead) != nullptr) return FileError::ReadOnly;
  return FileError::OpenFailed;
}

// Reads the whole file as one item into the buffer.
FileError ReadImage(Stream* input, int64_t size, FileBuffer* buffer) {
  if (!buffer->MakeRoom(size)) return FileError::LoadNoMemory;
  buffer->SetImage(size);
  if (!input->Seek(0, Whence::kStart)) return FileError::ReadFailed;
  if (input->Read(buffer->block(), size) != size) return FileError::ReadFailed;
  return FileError::None;
}

}  // namespace

FileError LoadCurrentFile(const Settings& settings, Platform* platform,
                          const std::string& path,
                          const std::string& output_path, CreateState* create,
                          FileBuffer* buffer, LoadedFile* loaded) {
  loaded->stream.reset();
  loaded->target = OutputTarget();
  std::unique_ptr<Stream> input;
  FileError error = OpenInput(settings, platform, path, &input);
  if (error == FileError::OpenFailed && *create == CreateState::Creating) {
    error = CreateFile(settings, platform, path, output_path, buffer, loaded);
    if (error == FileError::None) *create = CreateState::Created;
    return error;
  }
  if (error != FileError::None) return error;

  if (!input->Seek(0, Whence::kEnd)) return FileError::ReadFailed;
  int64_t size = input->Tell();
  if (size < 0) return FileError::ReadFailed;
  if (size > kMaxFileSize) return FileError::BadSize;
  if (size == 0) {
    if (*create == CreateState::None) return FileError::BadSize;
    // An empty file takes the -B/-T text like a created one.
    if (!buffer->MakeCreatedImage()) return FileError::LoadNoMemory;
  } else {
    error = ReadImage(input.get(), size, buffer);
    if (error != FileError::None) return error;
  }
  error = OpenOutput(settings, platform, path, output_path, std::move(input), loaded);
  if (error != FileError::None) return error;
  if (size == 0 && *create == CreateState::Creating) {
    *create = CreateState::Created;
    loaded->target.created = true;
  }
  return FileError::None;
}

}  // namespace swu
