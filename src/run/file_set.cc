// Splitting the filespec, the output directory and the marker.

#include "run/file_set.h"

#include <cstring>

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

// True when |path| is a directory that can be entered. Changes into it
// and back, so the current directory is unchanged afterwards.
bool CanEnter(const std::string& path, Platform* platform) {
  std::string current;
  if (!platform->GetCurrentDirectory(&current)) return false;
  if (!platform->SetCurrentDirectory(path)) return false;
  return platform->SetCurrentDirectory(current);
}

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

// CanEnter, with the drive that |path| names made current for the test
// and restored after it, where the system has drives. A lower-case drive
// letter names the same drive as its capital.
bool CanEnterOnItsDrive(const std::string& path, Platform* platform) {
  char current = platform->GetCurrentDrive();
  if (current == 0 || path.size() < 2 || path[1] != ':') {
    return CanEnter(path, platform);
  }
  char drive = UpperAscii(path[0]);
  if (drive < 'A' || drive > 'Z') return false;
  if (!platform->SetCurrentDrive(drive)) return false;
  bool entered = CanEnter(path, platform);
  return platform->SetCurrentDrive(current) && entered;
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
  if (!CanEnterOnItsDrive(directory, platform)) {
    return RunStatus::OutputDirFailed;
  }
  return RunStatus::None;
}

std::string MarkerName(Random* random) {
  random->Seed(1);
  std::string name;
  for (int i = 0; i < 8; ++i) {
    name += static_cast<char>('A' + random->NextRandom() % 26);
  }
  return name + ".SWU";
}

namespace {

// True when |path| holds exactly the marker's content.
bool IsLeftOverMarker(const std::string& path, Platform* platform) {
  std::unique_ptr<Stream> stream = platform->Open(path, OpenMode::kRead);
  if (stream == nullptr) return false;
  const int64_t length = static_cast<int64_t>(strlen(kMarkerContent));
  char data[64];
  return stream->Read(data, sizeof(data)) == length &&
         memcmp(data, kMarkerContent, static_cast<size_t>(length)) == 0;
}

}  // namespace

bool WriteMarker(const std::string& path, Platform* platform, bool* created,
                 FileIdentity* identity) {
  *created = false;
  std::unique_ptr<Stream> stream = platform->Open(path, OpenMode::kCreateNew);
  if (stream == nullptr) {
    if (!IsLeftOverMarker(path, platform)) return false;
    *created = true;
    return platform->Identify(path, identity);
  }
  *created = true;
  stream->Write(kMarkerContent, static_cast<int64_t>(strlen(kMarkerContent)));
  bool known = stream->Identify(identity);
  return stream->Close() && known;
}

bool HasMarker(const std::string& directory, const Marker& marker,
               Platform* platform) {
  FileIdentity found;
  return platform->Identify(WithSeparator(directory, *platform) + marker.name,
                            &found) &&
         SameFile(found, marker.identity);
}

}  // namespace swu
