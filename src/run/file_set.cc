// Splitting the filespec, the output directory and the marker.

#include "run/file_set.h"

#include <cstring>
#include <utility>

#include "base/reserved_names.h"

namespace swu {

const char kMarkerContent[] = "This file can be deleted after SW has finished";

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::string WithSeparator(const std::string& path, const Platform& platform) {
  if (path.empty() || IsSeparator(path.back()) ||
      platform.EndsDirectoryPart(path.back())) {
    return path;
  }
  return path + platform.PathSeparator();
}

std::string WithoutSeparator(const std::string& path) {
  std::string out = path;
  while (out.size() > 1 && IsSeparator(out.back()) &&
         out[out.size() - 2] != ':') {
    out.pop_back();
  }
  return out;
}

void SplitFilespec(const std::string& filespec, const Platform& platform,
                   std::string* dir_part, std::string* pattern) {
  size_t i = filespec.size();
  while (i > 0 && !platform.EndsDirectoryPart(filespec[i - 1])) --i;
  *dir_part = filespec.substr(0, i);
  *pattern = filespec.substr(i);
}

namespace {

// Creates every missing parent of |path|; failures are ignored, since
// the parent may exist already.
void MakeParents(const std::string& path, Platform* platform) {
  for (size_t i = 1; i < path.size(); ++i) {
    if (IsSeparator(path[i]) && !IsSeparator(path[i - 1])) {
      platform->MakeDirectory(path.substr(0, i));
    }
  }
}

}  // namespace

RunStatus FindOrCreateOutputDirectory(const std::string& path,
                                      Platform* platform, bool* created) {
  std::string directory = WithoutSeparator(path);
  *created = false;
  MakeParents(directory, platform);
  if (platform->MakeDirectory(directory)) {
    *created = true;
    return RunStatus::None;
  }
  // It may exist already: a directory that can be entered will do.
  if (!platform->CanEnterDirectory(directory)) {
    return RunStatus::OutputDirFailed;
  }
  return RunStatus::None;
}

RunStatus LookForOutputDirectory(const std::string& path, Platform* platform) {
  std::string directory = WithoutSeparator(path);
  FileIdentity existing;
  if (platform->CanEnterDirectory(directory) ||
      !platform->Identify(directory, &existing)) {
    return RunStatus::None;
  }
  return RunStatus::OutputDirFailed;
}

std::string MarkerName(Random* random, uint64_t bits) {
  random->Seed(1);
  int draws[8];
  for (int& draw : draws) draw = random->NextRandom();
  return swu::MarkerName(draws, bits);
}

namespace {

// How often a name is tried again when the run that held its marker ends
// while this one looks at it.
constexpr int kMarkerRetries = 3;

// True when |stream| holds exactly the marker's content.
bool HoldsMarkerContent(File* stream) {
  const int64_t length = static_cast<int64_t>(strlen(kMarkerContent));
  char data[64];
  return stream->Seek(0, Whence::kStart) &&
         stream->Read(data, sizeof(data)) == length &&
         memcmp(data, kMarkerContent, static_cast<size_t>(length)) == 0;
}

// True when |path| still names the file open as |stream|, whose identity
// is stored in *identity.
bool StillNamed(const std::string& path, File* stream, Platform* platform,
                FileIdentity* identity) {
  FileIdentity named;
  return stream->Identify(identity) && platform->Identify(path, &named) &&
         SameFile(named, *identity);
}

// Creates the marker |path| whole and locked: its content goes to a new
// temporary beside it, locked from the start, which then takes the name
// unless a file has it. So no other run ever sees the marker unlocked or
// part written and takes it for a user's file or a killed run's marker.
MarkerWrite CreateMarker(const std::string& path, Platform* platform,
                         HeldMarker* held) {
  // A name taken, also in another case, is looked at by the caller.
  FileIdentity existing;
  if (platform->Identify(path, &existing)) return MarkerWrite::kHeld;
  std::string temp;
  std::unique_ptr<File> stream = platform->CreateTemporary(path, &temp);
  if (stream == nullptr) return MarkerWrite::kFailed;
  stream->Write(kMarkerContent, static_cast<int64_t>(strlen(kMarkerContent)));
  FileIdentity identity;
  bool written = !stream->error() && stream->Identify(&identity) &&
                 stream->SetPermissions(nullptr);
  if (!written || !platform->RenameNew(temp, path)) {
    platform->DeleteFile(temp);
    return written ? MarkerWrite::kHeld : MarkerWrite::kFailed;
  }
  held->path = path;
  held->identity = identity;
  held->stream = std::move(stream);
  return MarkerWrite::kPlaced;
}

// Takes over the existing file |path| when it is a marker that no live run
// holds: a run that was killed left it.
MarkerWrite TakeOverMarker(const std::string& path, Platform* platform,
                           HeldMarker* held, bool* gone) {
  *gone = false;
  std::unique_ptr<File> stream = platform->Open(path, OpenMode::kRead);
  if (stream == nullptr) return MarkerWrite::kFailed;
  if (!stream->Lock(0)) return MarkerWrite::kHeld;  // A live run's marker.
  FileIdentity identity;
  if (!StillNamed(path, stream.get(), platform, &identity)) {
    *gone = true;  // Its run deleted it meanwhile: the name is free again.
    return MarkerWrite::kFailed;
  }
  if (!HoldsMarkerContent(stream.get())) return MarkerWrite::kFailed;
  held->path = path;
  held->identity = identity;
  held->stream = std::move(stream);
  return MarkerWrite::kPlaced;
}

}  // namespace

MarkerWrite WriteMarker(const std::string& path, Platform* platform,
                        HeldMarker* held) {
  for (int attempt = 0; attempt < kMarkerRetries; ++attempt) {
    // kHeld: a file has the name; it is looked at below.
    MarkerWrite created = CreateMarker(path, platform, held);
    if (created != MarkerWrite::kHeld) return created;
    bool gone = false;
    MarkerWrite result = TakeOverMarker(path, platform, held, &gone);
    if (!gone) return result;
  }
  return MarkerWrite::kFailed;
}

std::string MarkerCandidate(const std::string& first, int k) {
  if (k == 0) return first;
  std::string number = std::to_string(k);
  size_t dot = first.find('.');
  size_t keep = dot > number.size() ? dot - number.size() : 0;
  return first.substr(0, keep) + number + first.substr(dot);
}

bool HasMarker(const std::string& directory, const Marker& marker,
               Platform* platform) {
  FileIdentity found;
  return platform->Identify(WithSeparator(directory, *platform) + marker.name,
                            &found) &&
         SameFile(found, marker.identity);
}

}  // namespace swu
