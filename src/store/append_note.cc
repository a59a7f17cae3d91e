// Placing, reading and acting on an append note.
//
// A note is: "SWUAPND1", the output's device, file number and length
// before the append, the length of its name, the name (its last
// component), and a checksum of all that, each number 8 bytes, least
// significant first.

#include "store/append_note.h"

#include <cstring>

#include "base/reserved_names.h"
#include "store/checksum.h"

namespace swu {

namespace {

constexpr char kMagic[8] = {'S', 'W', 'U', 'A', 'P', 'N', 'D', '1'};
constexpr int64_t kHeader = 40;  // magic, device, file, base, name length
constexpr int64_t kLongestNote = kHeader + 4096 + 8;  // a generous name

// What a complete note records.
struct NoteContent {
  uint64_t device = 0;
  uint64_t file_number = 0;
  int64_t base = 0;
  std::string name;  // the output's last component
};

void PutWord(uint64_t value, std::string* out) {
  for (int i = 0; i < 8; ++i)
    out->push_back(static_cast<char>(value >> (8 * i)));
}

uint64_t GetWord(const std::string& bytes, size_t at) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  }
  return value;
}

std::string Encode(const NoteContent& note) {
  std::string bytes(kMagic, sizeof(kMagic));
  PutWord(note.device, &bytes);
  PutWord(note.file_number, &bytes);
  PutWord(static_cast<uint64_t>(note.base), &bytes);
  PutWord(note.name.size(), &bytes);
  bytes += note.name;
  PutWord(ChecksumOf(bytes.data(), static_cast<int64_t>(bytes.size())), &bytes);
  return bytes;
}

// Reads the note open as |stream| into *note. Returns false when it is
// not complete: its run was killed before it appended anything.
bool Decode(File* stream, NoteContent* note) {
  std::string bytes(kLongestNote + 1, '\0');
  int64_t got = stream->ReadAt(&bytes[0], kLongestNote + 1, 0);
  if (got < kHeader + 8 || got > kLongestNote) return false;
  bytes.resize(static_cast<size_t>(got));
  uint64_t name_length = GetWord(bytes, 32);
  if (memcmp(bytes.data(), kMagic, sizeof(kMagic)) != 0 ||
      name_length != static_cast<uint64_t>(got - kHeader - 8) ||
      GetWord(bytes, bytes.size() - 8) != ChecksumOf(bytes.data(), got - 8)) {
    return false;
  }
  note->device = GetWord(bytes, 8);
  note->file_number = GetWord(bytes, 16);
  note->base = static_cast<int64_t>(GetWord(bytes, 24));
  note->name = bytes.substr(kHeader, name_length);
  return note->base >= 0;
}

// The length of the directory part of |path|.
size_t DirectoryLength(const SystemRules& rules, const std::string& path) {
  size_t dir = path.size();
  while (dir > 0 && !rules.EndsDirectoryPart(path[dir - 1]) &&
         path[dir - 1] != '/') {
    --dir;
  }
  return dir;
}

// The note's path beside |output_path| for the output |output|.
std::string NotePath(const SystemRules& rules, const std::string& output_path,
                     const FileIdentity& output) {
  return output_path.substr(0, DirectoryLength(rules, output_path)) +
         AppendNoteName(output.device, output.file_number);
}

// Opens the note |path|, never through a link, and checks on the open
// file that it is one this process may act on: a regular file of its own
// user with no other name (kNothing), that no live run holds (kInUse).
Recovery OpenNote(FileSystem* files, const SystemRules& rules,
                  const std::string& path, std::unique_ptr<File>* note) {
  *note = files->Open(path, OpenMode::kReadNoLink);
  FileIdentity identity;
  uint32_t owner = 0;
  if (*note == nullptr || !(*note)->Identify(&identity))
    return Recovery::kNoFile;
  if (!identity.regular || identity.links != 1 || !(*note)->GetOwner(&owner) ||
      owner != rules.CurrentUser()) {
    return Recovery::kForeign;
  }
  return (*note)->Lock(0) ? Recovery::kNothing : Recovery::kInUse;
}

// Cuts |output|, whose identity is |identity|, back as |note| records.
// Returns kOriginalKept when it is as before the noted append (or the
// note is torn: nothing was appended), kFileChanged when the note names
// another file or a longer one, kFailed when it could not be cut.
Recovery CutBack(File* note, File* output, const FileIdentity& identity) {
  NoteContent content;
  if (!Decode(note, &content)) return Recovery::kOriginalKept;
  if (content.device != identity.device ||
      content.file_number != identity.file_number ||
      content.base > identity.size) {
    return Recovery::kFileChanged;
  }
  return output->SetLength(content.base) ? Recovery::kOriginalKept
                                         : Recovery::kFailed;
}

}  // namespace

bool CutBackLeftAppend(FileSystem* files, const SystemRules& rules,
                       const std::string& output_path, File* output) {
  FileIdentity identity;
  if (!output->Identify(&identity)) return false;
  std::string path = NotePath(rules, output_path, identity);
  FileIdentity found;
  if (!files->IdentifyExact(path, &found)) return true;  // None left.
  std::unique_ptr<File> note;
  if (OpenNote(files, rules, path, &note) != Recovery::kNothing) return false;
  // One that names another file is stale: its output was replaced.
  if (CutBack(note.get(), output, identity) == Recovery::kFailed) return false;
  // Deleted while still locked, so that no other run acts on it again.
  return files->DeleteFile(path);
}

Recovery RecoverAppendNote(FileSystem* files, const SystemRules& rules,
                           const std::string& note_path,
                           std::string* output_path) {
  *output_path = note_path;
  std::unique_ptr<File> note;
  Recovery opened = OpenNote(files, rules, note_path, &note);
  if (opened != Recovery::kNothing) return opened;
  NoteContent content;
  if (!Decode(note.get(), &content)) {
    files->DeleteFile(note_path);  // Torn: nothing was appended.
    return Recovery::kOriginalKept;
  }
  *output_path =
      note_path.substr(0, DirectoryLength(rules, note_path)) + content.name;
  std::unique_ptr<File> output = files->Open(*output_path, OpenMode::kUpdate);
  FileIdentity identity;
  if (output == nullptr || !output->Identify(&identity)) {
    return Recovery::kNoFile;
  }
  Recovery r = CutBack(note.get(), output.get(), identity);
  if (r == Recovery::kOriginalKept) files->DeleteFile(note_path);
  return r;
}

bool PlaceAppendNote(FileSystem* files, const SystemRules& rules,
                     const std::string& output_path, File* output, int64_t base,
                     bool durable, AppendNote* note) {
  NoteContent content;
  FileIdentity identity;
  if (!output->Identify(&identity)) return false;
  content.device = identity.device;
  content.file_number = identity.file_number;
  content.base = base;
  content.name = output_path.substr(DirectoryLength(rules, output_path));
  std::string path = NotePath(rules, output_path, identity);
  std::unique_ptr<File> stream = files->Open(path, OpenMode::kCreatePrivate);
  if (stream == nullptr) return false;
  // Locked before anything is in it, and still the file of that name
  // once locked: a run that looked in between took it for a torn note.
  FileIdentity held, named;
  if (!stream->Lock(0) || !stream->Identify(&held) ||
      !files->IdentifyExact(path, &named) || !SameFile(held, named)) {
    return false;
  }
  std::string bytes = Encode(content);
  stream->Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  if (stream->error() ||
      (durable && (!stream->Sync() || !files->SyncDirectoryOf(path)))) {
    files->DeleteFile(path);
    return false;
  }
  note->path = path;
  note->stream = std::move(stream);
  return true;
}

}  // namespace swu
