// An in-memory platform for the run tests: a tree of directories and
// files, names compared without regard to ASCII case, entries enumerated
// sorted by their upper-case form, and calls that can be made to fail.
// Also counts what the walk must keep small (open enumerations).

#ifndef SWU_TESTS_RUN_FAKE_PLATFORM_H_
#define SWU_TESTS_RUN_FAKE_PLATFORM_H_

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace swu {
namespace run_test {

class FakePlatform : public Platform {
 public:
  FakePlatform();

  // Building the tree. Paths are relative to the root or absolute.
  void AddDir(const std::string& path);  // with its parents
  void AddFile(const std::string& path, const std::string& data = "x");
  // Adds DOS attribute bits to an entry (read-only, system...).
  void AddAttributes(const std::string& path, uint8_t bits);

  // Inspecting it.
  bool IsDir(const std::string& path) const;
  bool IsFile(const std::string& path) const;
  std::string Contents(const std::string& path) const;

  // Fault injection: these paths fail the named call.
  std::set<std::string> fail_make_directory;
  std::set<std::string> fail_open;

  std::string output;  // everything printed
  int keys_read = 0;
  int open_enumerations = 0;  // enumerations alive now
  int most_enumerations = 0;  // the most ever alive at once
  std::vector<std::string> removed_directories;
  bool interrupted = false;  // an interruption has been remembered
  bool deferring = false;
  bool ended_by_interrupt = false;
  // Windows' answers: path rules.
  bool windows_rules = false;

  // Platform.
  void Print(const char* data, size_t n) override;
  void ReadKey() override;
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
  bool DeleteFile(const std::string& path) override;
  bool Identify(const std::string& path, FileIdentity* identity) override;
  std::unique_ptr<File> CreateTemporary(const std::string& beside,
                                        std::string* path) override;
  bool RenameOver(const std::string& from, const std::string& to) override;
  bool RenameNew(const std::string& from, const std::string& to) override;
  void WatchInterrupts() override {}
  void DeferInterrupts(bool defer) override { deferring = defer; }
  bool Interrupted() override { return interrupted; }
  void EndByInterrupt() override { ended_by_interrupt = interrupted; }
  std::unique_ptr<DirEnum> FindFirst(const std::string& pattern,
                                     bool include_directories,
                                     DirEntry* first) override;
  bool MakeDirectory(const std::string& path) override;
  bool RemoveDirectory(const std::string& path) override;
  bool GetCurrentDirectory(std::string* path) override;
  bool SetCurrentDirectory(const std::string& path) override;
  bool EndsDirectoryPart(char c) const override {
    return windows_rules ? (c == '\\' || c == ':')
                         : Platform::EndsDirectoryPart(c);
  }
  char PathSeparator() const override { return windows_rules ? '\\' : '/'; }
  bool SlashStartsSwitch() const override { return false; }
  // The fake takes '\\' as a separator everywhere itself.
  std::string FromTypedPath(const std::string& typed) const override {
    return typed;
  }
  bool GetEnvironment(const std::string&, std::string*) override {
    return false;
  }

  std::string cwd() const { return cwd_; }

 private:
  struct Node {
    bool dir = false;
    std::string name;  // as created
    std::string data;
    uint8_t extra = 0;
    uint64_t id = 0;  // the file number, given when first asked, kept
                      // across renames
  };
  friend class FakeStream;

  void AddParents(const std::string& path);
  std::string Key(const std::string& path) const;
  static std::string Parent(const std::string& key);
  bool HasChildren(const std::string& key) const;

  std::map<std::string, Node> nodes_;  // by upper-cased absolute path
  std::string cwd_ = "/";
};

}  // namespace run_test
}  // namespace swu

#endif  // SWU_TESTS_RUN_FAKE_PLATFORM_H_
