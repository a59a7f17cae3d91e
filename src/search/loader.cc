// Loading a file and opening its output.

#include "search/loader.h"

#include <memory>
#include <utility>

namespace swu {

namespace {

// How long a file locked by another run is waited for.
constexpr int64_t kLockWaitMs = 5000;

// Files from this size on are mapped rather than read, where they can be.
constexpr int64_t kMapFrom = 1 << 20;

bool Appending(const Settings& settings) {
  OutputForm form = settings.output_form();
  return form == OutputForm::kAppendFile ||
         form == OutputForm::kAppendDirectory;
}

// True when the output |output_path| is the file |input| itself: writing
// the result there would destroy the only copy of what is being read.
bool IsInput(Platform* platform, const std::string& output_path,
             const FileIdentity* input) {
  FileIdentity output;
  return input != nullptr && platform->Identify(output_path, &output) &&
         SameFile(output, *input);
}

// True when the output file |output_path| is missing, or is a regular
// file this process may write: only such a file is replaced by the result.
bool MayReplace(Platform* platform, const std::string& output_path) {
  FileIdentity existing;
  if (!platform->Identify(output_path, &existing)) return true;
  return platform->Open(output_path, OpenMode::kUpdate) != nullptr;
}

// Opens the -$ output file. Under -$:A and -$:B it is appended to; under
// the other forms the result goes to a new temporary file beside it that
// replaces it once complete, so a failed file leaves the output as it was.
// |input| is the loaded file (null for one being created).
FileError OpenOutputFile(const Settings& settings, Platform* platform,
                         const std::string& output_path,
                         const FileIdentity* input, LoadedFile* loaded) {
  if (IsInput(platform, output_path, input)) return FileError::WriteOpenFailed;
  bool append = Appending(settings);
  OutputTarget& target = loaded->target;
  if (append) {
    loaded->stream = platform->Open(output_path, OpenMode::kAppend);
  } else if (MayReplace(platform, output_path)) {
    loaded->stream = platform->CreateTemporary(output_path, &target.temp_path);
  }
  if (loaded->stream == nullptr) return FileError::WriteOpenFailed;
  target.path = output_path;
  target.in_place = false;
  target.writable = true;
  target.append_base = -1;
  if (append) {
    // Remembered so that a failed file can be cut off again.
    if ((target.append_base = SizeOf(loaded->stream.get())) < 0) {
      loaded->stream.reset();
      return FileError::WriteOpenFailed;
    }
  }
  return FileError::None;
}

// Under --diff: the checks of OpenOutputFile without opening anything.
// The output's present contents are read when the diff is made.
FileError NoteOutputFile(const Settings& settings, Platform* platform,
                         const std::string& output_path,
                         const FileIdentity* input, LoadedFile* loaded) {
  if (IsInput(platform, output_path, input)) return FileError::WriteOpenFailed;
  FileIdentity existing;
  if (Appending(settings) && platform->Identify(output_path, &existing) &&
      platform->Open(output_path, OpenMode::kUpdate) == nullptr) {
    return FileError::WriteOpenFailed;
  }
  if (!Appending(settings) && !MayReplace(platform, output_path)) {
    return FileError::WriteOpenFailed;
  }
  loaded->target.path = output_path;
  loaded->target.in_place = false;
  loaded->target.writable = false;
  return FileError::None;
}

// Hands the loaded file's stream on as its output, or, under -$, closes it
// and opens the output file instead.
FileError OpenOutput(const Settings& settings, Platform* platform,
                     const std::string& path, const std::string& output_path,
                     std::unique_ptr<Stream> input,
                     const FileIdentity& identity, LoadedFile* loaded) {
  if (settings.output_mode()) {
    input.reset();
    if (settings.shows_diff()) {
      return NoteOutputFile(settings, platform, output_path, &identity, loaded);
    }
    return OpenOutputFile(settings, platform, output_path, &identity, loaded);
  }
  if (!input->Seek(0, Whence::kStart)) return FileError::ReadFailed;
  loaded->stream = std::move(input);
  loaded->target.path = path;
  loaded->target.in_place = true;
  loaded->target.writable = !settings.report_only() && !settings.shows_diff();
  loaded->target.loaded_as = identity;
  return FileError::None;
}

// Under --diff: what CreateFile checks, creating nothing. A file that
// exists but could not be opened is not one to create.
FileError NoteCreatedFile(const Settings& settings, Platform* platform,
                          const std::string& path,
                          const std::string& output_path, LoadedFile* loaded) {
  if (settings.output_mode()) {
    return NoteOutputFile(settings, platform, output_path, nullptr, loaded);
  }
  FileIdentity existing;
  if (platform->Identify(path, &existing)) return FileError::OpenFailed;
  // Nor is a file whose directory is missing, or whose name the system
  // refuses: it could not be created.
  size_t dir = path.size();
  while (dir > 0 && !platform->EndsDirectoryPart(path[dir - 1])) --dir;
  if ((dir > 0 && !platform->Identify(path.substr(0, dir), &existing)) ||
      !platform->NameAllowed(path.substr(dir))) {
    return FileError::WriteOpenFailed;
  }
  loaded->target.path = path;
  loaded->target.in_place = true;
  loaded->target.writable = false;
  return FileError::None;
}

// Creates the missing file (or, under -$, its output file) for -B:C/-T:C.
FileError CreateFile(const Settings& settings, Platform* platform,
                     const std::string& path, const std::string& output_path,
                     FileBuffer* buffer, LoadedFile* loaded) {
  if (settings.shows_diff()) {
    FileError error =
        NoteCreatedFile(settings, platform, path, output_path, loaded);
    if (error != FileError::None) return error;
  } else if (settings.output_mode()) {
    FileError error =
        OpenOutputFile(settings, platform, output_path, nullptr, loaded);
    if (error != FileError::None) return error;
  } else {
    // Opened without truncating: a file that exists but could not be read
    // is left as it is.
    loaded->stream = platform->Open(path, OpenMode::kOpenAlways);
    if (loaded->stream == nullptr) return FileError::WriteOpenFailed;
    if (!loaded->stream->Lock(kLockWaitMs) ||
        !loaded->stream->Identify(&loaded->target.loaded_as) ||
        SizeOf(loaded->stream.get()) != 0) {
      loaded->stream.reset();
      return FileError::OpenFailed;
    }
    loaded->target.path = path;
    loaded->target.in_place = true;
    loaded->target.writable = true;
  }
  if (!buffer->MakeCreatedImage()) {
    loaded->stream.reset();
    return FileError::LoadNoMemory;
  }
  return FileError::None;
}

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
                          const std::string& path,
                          const std::string& output_path, CreateState* create,
                          FileBuffer* buffer, LoadedFile* loaded) {
  loaded->stream.reset();
  loaded->target = OutputTarget();
  std::unique_ptr<Stream> input;
  FileIdentity identity;
  FileError error = OpenInput(settings, platform, path, &input, &identity);
  if (error == FileError::OpenFailed && *create == CreateState::Creating) {
    error = CreateFile(settings, platform, path, output_path, buffer, loaded);
    if (error == FileError::None) *create = CreateState::Created;
    return error;
  }
  if (error != FileError::None) return error;

  loaded->opened = true;
  loaded->input = identity;
  loaded->unlocked = input->unlocked();
  // The size as the file was identified once locked.
  int64_t size = identity.size;
  if (size < 0) return FileError::ReadFailed;
  if (size > kMaxFileSize) return FileError::BadSize;
  if (size == 0) {
    // An empty file holds no match; it takes the -B/-T text like a
    // created one.
    if (!buffer->MakeCreatedImage()) return FileError::LoadNoMemory;
  } else {
    error = ReadImage(input.get(), size, buffer);
    if (error != FileError::None) return error;
  }
  error = OpenOutput(settings, platform, path, output_path, std::move(input),
                     identity, loaded);
  if (error != FileError::None) return error;
  if (size == 0 && *create == CreateState::Creating) {
    *create = CreateState::Created;
  }
  return FileError::None;
}

}  // namespace swu
