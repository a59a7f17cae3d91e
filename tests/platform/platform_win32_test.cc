// Tests of the Windows platform layer on the real disk, in a scoped
// temporary directory. Built only for Windows (run under wine in CI).

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
#undef DeleteFile
#undef RemoveDirectory
#undef GetCurrentDirectory
#undef SetCurrentDirectory

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fakes/scratch.h"
#include "fakes/temp_dir.h"
#include "platform/platform.h"

namespace swu {
namespace {

class PlatformWin32Test : public ::testing::Test {
 protected:
  std::vector<std::string> Names(const std::string& pattern, bool dirs) {
    std::vector<std::string> names;
    DirEntry entry;
    auto e = platform_->FindFirst(dir_.Path(pattern), dirs, &entry);
    if (e == nullptr) return names;
    do {
      names.push_back(entry.name);
    } while (e->Next(&entry));
    return names;
  }
  void SetAttributes(const std::string& name, DWORD attributes) {
    ASSERT_TRUE(SetFileAttributesA(dir_.Path(name).c_str(), attributes));
  }

  Platform* platform_ = Platform::Default();
  TempDir dir_;
};

TEST_F(PlatformWin32Test, EnumerationIsSortedAndLeavesOutHiddenAndSystem) {
  dir_.Write("b.txt", "1");
  dir_.Write("A.TXT", "2");
  dir_.Write("hidden.txt", "3");
  dir_.Write("system.txt", "4");
  dir_.Write("ro.txt", "5");
  dir_.Write("noext", "6");
  ASSERT_TRUE(platform_->MakeDirectory(dir_.Path("sub.txt")));
  SetAttributes("hidden.txt", FILE_ATTRIBUTE_HIDDEN);
  SetAttributes("system.txt", FILE_ATTRIBUTE_SYSTEM);
  SetAttributes("ro.txt", FILE_ATTRIBUTE_READONLY);

  EXPECT_EQ(Names("*.TXT", false),
            (std::vector<std::string>{"A.TXT", "b.txt", "ro.txt"}));
  EXPECT_EQ(Names("*.txt", true),
            (std::vector<std::string>{"A.TXT", "b.txt", "ro.txt", "sub.txt"}));
  EXPECT_EQ(Names("*.*", false).size(), 4u);  // noext too
  EXPECT_TRUE(Names("", false).empty());

  DirEntry entry;
  ASSERT_NE(platform_->FindFirst(dir_.Path("ro.txt"), false, &entry), nullptr);
  EXPECT_EQ(entry.attributes & (kAttrReadOnly | kAttrDirectory), kAttrReadOnly);
  ASSERT_NE(platform_->FindFirst(dir_.Path("sub.txt"), true, &entry), nullptr);
  EXPECT_EQ(entry.attributes, kAttrDirectory);
  SetAttributes("ro.txt", FILE_ATTRIBUTE_NORMAL);
}

// Only '\' and ':' end the directory part: a '/' in the name part matches
// no entry, so a run never takes a file of another directory for one of
// the directory it names.
TEST_F(PlatformWin32Test, SlashInTheNamePartMatchesNothing) {
  ASSERT_TRUE(platform_->MakeDirectory(dir_.Path("sub")));
  dir_.Write("sub\\f.txt", "x");
  DirEntry entry;
  EXPECT_EQ(platform_->FindFirst(dir_.Path("sub/*.txt"), false, &entry),
            nullptr);
  ASSERT_NE(platform_->FindFirst(dir_.Path("sub\\*.txt"), false, &entry),
            nullptr);
  EXPECT_EQ(entry.name, "f.txt");
}

// A name is listed as the system spells it: one that the ANSI code page
// can only give a look-alike for (as 1252 gives "data.txt" for
// "d\u0101t\u0101.txt") is a name of its own, opened as itself, and shown
// with '?' for what the page lacks. Patterns ignore the case of every
// letter, as the system does.
TEST_F(PlatformWin32Test, NamesAreListedAndMatchedAsTheSystemSpellsThem) {
  std::string ascii_root = dir_.Path("");
  std::wstring root(ascii_root.begin(), ascii_root.end());
  auto write_wide = [&](const std::wstring& name, const char* data) {
    HANDLE file = CreateFileW((root + name).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written;
    WriteFile(file, data, static_cast<DWORD>(strlen(data)), &written, nullptr);
    CloseHandle(file);
  };
  write_wide(L"data.txt", "plain");
  write_wide(L"d\u0101t\u0101.txt", "wide");
  write_wide(L"caf\u00e9.txt", "cafe");

  std::vector<std::string> names = Names("d*.txt", false);
  ASSERT_EQ(names.size(), 2u);
  std::vector<std::string> contents;
  for (const std::string& name : names) {
    auto stream = platform_->Open(dir_.Path(name), OpenMode::kRead);
    ASSERT_NE(stream, nullptr) << name;
    char data[16] = {};
    contents.push_back(std::string(data, stream->Read(data, sizeof(data))));
  }
  EXPECT_NE(contents[0], contents[1]);
  std::string wide_name = names[0] == "data.txt" ? names[1] : names[0];
  if (GetACP() == 1252) {
    EXPECT_EQ(platform_->DisplayPath(wide_name), "d?t?.txt");
    EXPECT_EQ(Names("CAF\xc9.TXT", false),
              (std::vector<std::string>{"caf\xe9.txt"}));
    EXPECT_EQ(Names("D?T?.TXT", false).size(), 2u);  // '?' is one letter.
  }
  EXPECT_TRUE(platform_->RenameNew(dir_.Path(wide_name), dir_.Path("x.txt")));
  EXPECT_EQ(dir_.Read("data.txt"), "plain");
  EXPECT_EQ(dir_.Read("x.txt"), "wide");
}

// Checking a directory enters none: the current directory stays.
TEST_F(PlatformWin32Test, CanEnterDirectoryLeavesTheCurrentDirectory) {
  std::string before, after;
  ASSERT_TRUE(platform_->GetCurrentDirectory(&before));
  ASSERT_TRUE(platform_->MakeDirectory(dir_.Path("sub")));
  dir_.Write("file", "x");
  EXPECT_TRUE(platform_->CanEnterDirectory(dir_.Path("sub")));
  EXPECT_TRUE(platform_->CanEnterDirectory(dir_.Path("sub\\")));
  EXPECT_FALSE(platform_->CanEnterDirectory(dir_.Path("file")));
  EXPECT_FALSE(platform_->CanEnterDirectory(dir_.Path("missing")));
  ASSERT_TRUE(platform_->GetCurrentDirectory(&after));
  EXPECT_EQ(before, after);
}

// A path past MAX_PATH (with what is built beside it) is used whole.
TEST_F(PlatformWin32Test, PathsPastMaxPathWork) {
  std::string path = dir_.Path("");
  std::string part(60, 'd');
  while (path.size() < 300) {
    path += part;
    ASSERT_TRUE(platform_->MakeDirectory(path)) << path.size();
    path += "\\";
  }
  std::string file = path + "f.txt";
  auto stream = platform_->Open(file, OpenMode::kCreate);
  ASSERT_NE(stream, nullptr);
  stream->Write("abc", 3);
  EXPECT_TRUE(stream->Close());
  std::string temporary;
  auto out = platform_->CreateTemporary(file, &temporary);
  ASSERT_NE(out, nullptr);
  out->Write("xyz", 3);
  EXPECT_TRUE(out->Close());
  EXPECT_TRUE(platform_->RenameOver(temporary, file));
  out.reset();  // Its lock lives as long as the stream.
  DirEntry entry;
  ASSERT_NE(platform_->FindFirst(path + "*.TXT", false, &entry), nullptr);
  EXPECT_EQ(entry.name, "f.txt");
  FileIdentity identity;
  ASSERT_TRUE(platform_->Identify(file, &identity));
  EXPECT_EQ(identity.size, 3);
  EXPECT_TRUE(platform_->DeleteFile(file));
  while (path.size() > dir_.Path("").size()) {
    path.pop_back();
    EXPECT_TRUE(platform_->RemoveDirectory(path));
    path.erase(path.find_last_of('\\') + 1);
  }
}

// A name's length is counted as the system counts it, in UTF-16 units,
// not in the path's bytes (three for a character the code page lacks).
TEST_F(PlatformWin32Test, NameTooLongCountsWhatTheSystemCounts) {
  std::string name;
  for (int i = 0; i < kLongestName; ++i) name += "\x01\xc4\x81";  // U+0101
  EXPECT_FALSE(platform_->NameTooLong("C:\\dir\\" + name));
  EXPECT_TRUE(platform_->NameTooLong("C:\\" + std::string(256, 'n') + "\\x"));
}

TEST_F(PlatformWin32Test, StreamsAreBinaryWithPositionsPastFourGiB) {
  dir_.Write("f", "01\r\n456789");
  auto s = platform_->Open(dir_.Path("F"), OpenMode::kUpdate);
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(s->Seek(0, Whence::kEnd));
  EXPECT_EQ(s->Tell(), 10);
  ASSERT_TRUE(s->Seek(5, Whence::kStart));
  s->Write("a\nc", 3);
  ASSERT_TRUE(s->Seek(int64_t{5} << 30, Whence::kStart));
  EXPECT_EQ(s->Tell(), int64_t{5} << 30);
  EXPECT_EQ(dir_.Read("f"), "01\r\n4a\nc89");  // Straight to the file.
  EXPECT_TRUE(s->SetLength(4));
  EXPECT_TRUE(s->Close());
  EXPECT_EQ(dir_.Read("f"), "01\r\n");

  EXPECT_TRUE(platform_->DeleteFile(dir_.Path("f")));
  EXPECT_EQ(dir_.Read("f"), "<missing>");
  EXPECT_FALSE(platform_->DeleteFile(dir_.Path("f")));
}

// Positioned writes and length changes leave the stream where it was; the
// lock keeps a second locker out without hindering reads of the file.
TEST_F(PlatformWin32Test, StreamServicesForSafeRewriting) {
  dir_.Write("f", "0123456789");
  auto s = platform_->Open(dir_.Path("f"), OpenMode::kUpdate);
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(s->Seek(3, Whence::kStart));
  s->WriteAt("ab", 2, 7);
  EXPECT_EQ(s->Tell(), 3);
  EXPECT_TRUE(s->SetLength(8));
  EXPECT_EQ(s->Tell(), 3);
  s->Write("X", 1);
  EXPECT_FALSE(s->error());

  ASSERT_TRUE(s->Lock(0));
  auto other = platform_->Open(dir_.Path("F"), OpenMode::kUpdate);
  ASSERT_NE(other, nullptr);
  EXPECT_FALSE(other->Lock(50));
  char data[8];
  EXPECT_EQ(other->Read(data, 8), 8);
  EXPECT_EQ(std::string(data, 8), "012X456a");

  FileIdentity a, b;
  ASSERT_TRUE(s->Identify(&a));
  ASSERT_TRUE(platform_->Identify(dir_.Path("F"), &b));
  EXPECT_TRUE(SameFile(a, b));
  EXPECT_TRUE(a.regular);
  EXPECT_EQ(a.size, 8);
  EXPECT_TRUE(s->Close());
  EXPECT_TRUE(other->Lock(0));  // The lock went with the close.
}

TEST_F(PlatformWin32Test, TemporaryRenamedOverKeepsTheTargetsAttributes) {
  dir_.Write("out.txt", "old");
  SetAttributes("out.txt", FILE_ATTRIBUTE_HIDDEN);
  std::string temp;
  auto s = platform_->CreateTemporary(dir_.Path("out.txt"), &temp);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(temp.rfind(dir_.Path(".swu-"), 0), 0u) << temp;
  s->Write("new", 3);
  EXPECT_TRUE(s->Close());
  ASSERT_TRUE(platform_->RenameOver(temp, dir_.Path("out.txt")));
  EXPECT_EQ(dir_.Read("out.txt"), "new");
  EXPECT_EQ(dir_.Read(temp.substr(dir_.Path("").size())), "<missing>");
  DWORD attributes = GetFileAttributesA(dir_.Path("out.txt").c_str());
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(platform_->Open(dir_.Path("out.txt"), OpenMode::kCreateNew),
            nullptr);
}

// A file the process creates is its user's, as its stream tells through
// the file's security: the number CurrentUser gives, which is 0 (root) only
// where the process's files go to the administrators. Under wine they go
// to the user, as they do for anyone not elevated.
TEST_F(PlatformWin32Test, CreatedFileIsOwnedByTheCurrentUser) {
  HANDLE token;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  char buffer[256];
  DWORD size = 0;
  bool got = GetTokenInformation(token, TokenOwner, buffer, sizeof(buffer),
                                 &size) != 0;
  CloseHandle(token);
  ASSERT_TRUE(got);
  PSID default_owner = reinterpret_cast<TOKEN_OWNER*>(buffer)->Owner;
  bool administrators =
      IsWellKnownSid(default_owner, WinLocalSystemSid) ||
      IsWellKnownSid(default_owner, WinBuiltinAdministratorsSid);

  auto stream = platform_->Open(dir_.Path("own"), OpenMode::kCreatePrivate);
  ASSERT_NE(stream, nullptr);
  uint32_t owner = 12345;
  ASSERT_TRUE(stream->GetOwner(&owner));
  EXPECT_EQ(owner, platform_->CurrentUser());
  EXPECT_EQ(owner == 0, administrators);
}

TEST_F(PlatformWin32Test, DirectoriesAndDevicesAreNotOpenedAsFiles) {
  ASSERT_TRUE(platform_->MakeDirectory(dir_.Path("d")));
  EXPECT_EQ(platform_->Open(dir_.Path("d"), OpenMode::kRead), nullptr);
  EXPECT_EQ(platform_->Open(dir_.Path("missing"), OpenMode::kRead), nullptr);
  EXPECT_EQ(platform_->Open("NUL", OpenMode::kCreate), nullptr);
}

TEST_F(PlatformWin32Test, MakeAndRemoveDirectories) {
  EXPECT_TRUE(platform_->MakeDirectory(dir_.Path("out")));
  EXPECT_FALSE(platform_->MakeDirectory(dir_.Path("out")));
  EXPECT_FALSE(platform_->MakeDirectory(dir_.Path("no\\such\\parent")));
  dir_.Write("out\\f", "x");
  EXPECT_FALSE(platform_->RemoveDirectory(dir_.Path("out")));
  EXPECT_TRUE(platform_->DeleteFile(dir_.Path("out\\f")));
  EXPECT_TRUE(platform_->RemoveDirectory(dir_.Path("OUT")));
}

TEST_F(PlatformWin32Test, CurrentDirectoryIsRestored) {
  std::string before;
  ASSERT_TRUE(platform_->GetCurrentDirectory(&before));

  ASSERT_TRUE(platform_->SetCurrentDirectory(dir_.Path("")));
  std::string inside;
  ASSERT_TRUE(platform_->GetCurrentDirectory(&inside));
  EXPECT_EQ(inside + "\\", dir_.Path(""));
  EXPECT_FALSE(platform_->SetCurrentDirectory(dir_.Path("missing")));
  ASSERT_TRUE(platform_->SetCurrentDirectory(before));
}

TEST_F(PlatformWin32Test, EnvironmentTellsEmptyFromUnset) {
  ASSERT_TRUE(SetEnvironmentVariableA("SWU_TEST_EMPTY", ""));
  ASSERT_TRUE(
      SetEnvironmentVariableA("SWU_TEST_LONG", std::string(1000, 'v').c_str()));
  std::string value = "old";
  EXPECT_TRUE(platform_->GetEnvironment("SWU_TEST_EMPTY", &value));
  EXPECT_EQ(value, "");
  EXPECT_TRUE(platform_->GetEnvironment("swu_test_long", &value));
  EXPECT_EQ(value, std::string(1000, 'v'));
  EXPECT_FALSE(platform_->GetEnvironment("SWU_TEST_UNSET", &value));
}

// A temporary stays locked while its stream lives, also once closed (it
// takes its name after the close); one whose process is gone is swept.
TEST_F(PlatformWin32Test, SweepRemovesOnlyTemporariesNoStreamHolds) {
  std::string closed, gone;
  auto live = platform_->CreateTemporary(dir_.Path("out.txt"), &closed);
  ASSERT_NE(live, nullptr);
  EXPECT_TRUE(live->Close());
  ASSERT_NE(platform_->CreateTemporary(dir_.Path("out.txt"), &gone), nullptr);
  platform_->RemoveLeftTemporaries(dir_.Path("out.txt"));
  EXPECT_NE(GetFileAttributesA(closed.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA(gone.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace swu
