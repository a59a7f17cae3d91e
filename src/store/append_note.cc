// Placing, reading and acting on an append note.

#include "store/append_note.h"

#include <cstring>

#include "base/reserved_names.h"
#include "store/checksum.h"

namespace swu {

namespace {

constexpr char kMagic[8] = {'S', 'W', 'U', 'A', 'P', 'N', 'D', '1'};
constexpr int64_t kNoteSize = 40;  // magic, device, file, base, checksum

void PutWord(uint64_t value, unsigned char* at) {
  for (int i = 0; i < 8; ++i)
    at[i] = static_cast<unsigned char>(value >> (8 * i));
}

uint64_t GetWord(const unsigned char* at) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | at[i];
  return value;
}

// The note's path beside |output_path| for the output |output|.
std::string NotePath(Platform* platform, const std::string& output_path,
                     const FileIdentity& output) {
  size_t dir = output_path.size();
  while (dir > 0 && !platform->EndsDirectoryPart(output_path[dir - 1]) &&
         output_path[dir - 1] != '/') {
    --dir;
  }
  return output_path.substr(0, dir) +
         AppendNoteName(output.device, output.file_number);
}

// Reads the note open as |note|. Returns true and stores the length it
// records in *base when it is complete and names |output|.
bool ReadNote(Stream* note, const FileIdentity& output, int64_t* base) {
  unsigned char bytes[kNoteSize + 1];
  if (note->ReadAt(bytes, kNoteSize + 1, 0) != kNoteSize ||
      memcmp(bytes, kMagic, sizeof(kMagic)) != 0 ||
      GetWord(bytes + 32) != ChecksumOf(bytes, 32)) {
    return false;  // Torn: its run was killed before appending anything.
  }
  *base = static_cast<int64_t>(GetWord(bytes + 24));
  return GetWord(bytes + 8) == output.device &&
         GetWord(bytes + 16) == output.file_number && *base >= 0 &&
         *base <= output.size;
}

// True when the open note is one this process may trust: a regular file
// of its own user with no other name, that no live run holds.
bool Trusted(Platform* platform, Stream* note) {
  FileIdentity identity;
  return note->Identify(&identity) && identity.regular && identity.links == 1 &&
         identity.owner == platform->CurrentUser() && note->Lock(0);
}

}  // namespace

bool CutBackLeftAppend(Platform* platform, const std::string& output_path,
                       Stream* output) {
  FileIdentity identity;
  if (!output->Identify(&identity)) return false;
  std::string path = NotePath(platform, output_path, identity);
  FileIdentity found;
  if (!platform->IdentifyExact(path, &found)) return true;  // None left.
  std::unique_ptr<Stream> note = platform->Open(path, OpenMode::kReadNoLink);
  if (note == nullptr || !Trusted(platform, note.get())) return false;
  int64_t base = 0;
  if (ReadNote(note.get(), identity, &base) && !output->SetLength(base)) {
    return false;
  }
  // Deleted while still locked, so that no other run acts on it again.
  return platform->DeleteFile(path);
}

bool PlaceAppendNote(Platform* platform, const std::string& output_path,
                     Stream* output, int64_t base, bool durable,
                     AppendNote* note) {
  FileIdentity identity;
  if (!output->Identify(&identity)) return false;
  std::string path = NotePath(platform, output_path, identity);
  std::unique_ptr<Stream> stream =
      platform->Open(path, OpenMode::kCreatePrivate);
  if (stream == nullptr) return false;
  // Locked before anything is in it, and still the file of that name
  // once locked: a run that looked in between took it for a torn note.
  FileIdentity held, named;
  if (!stream->Lock(0) || !stream->Identify(&held) ||
      !platform->IdentifyExact(path, &named) || !SameFile(held, named)) {
    return false;
  }
  unsigned char bytes[kNoteSize];
  memcpy(bytes, kMagic, sizeof(kMagic));
  PutWord(identity.device, bytes + 8);
  PutWord(identity.file_number, bytes + 16);
  PutWord(static_cast<uint64_t>(base), bytes + 24);
  PutWord(ChecksumOf(bytes, 32), bytes + 32);
  stream->Write(bytes, kNoteSize);
  if (stream->error() ||
      (durable && (!stream->Sync() || !platform->SyncDirectoryOf(path)))) {
    platform->DeleteFile(path);
    return false;
  }
  note->path = path;
  note->stream = std::move(stream);
  return true;
}

}  // namespace swu
