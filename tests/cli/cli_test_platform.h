// A platform for the command-line tests: files are the real disk (the -L
// tests use temporary files), while the environment, the current directory
// and the console are in memory.

#ifndef SWU_TESTS_CLI_CLI_TEST_PLATFORM_H_
#define SWU_TESTS_CLI_CLI_TEST_PLATFORM_H_

#include <map>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace swu {

class CliTestPlatform : public Platform {
 public:
  std::map<std::string, std::string> environment;
  std::string current_directory = "/home/user/work";
  bool current_directory_fails = false;
  bool slash_switches = false;  // '/' starts a switch, as on Windows
  bool quotes_split = false;    // a '"' ends an argument, as on Windows
  std::string printed;
  int keys_read = 0;

  void Print(const char* data, size_t n) override { printed.append(data, n); }
  void ReadKey() override {
    ++keys_read;
    printed += "<key>";
  }
  std::unique_ptr<Stream> Open(const std::string& path,
                               OpenMode mode) override {
    return disk()->Open(path, mode);
  }
  bool DeleteFile(const std::string& path) override {
    return disk()->DeleteFile(path);
  }
  bool Identify(const std::string& path, FileIdentity* identity) override {
    return disk()->Identify(path, identity);
  }
  std::unique_ptr<Stream> CreateTemporary(const std::string& beside,
                                          std::string* path) override {
    return disk()->CreateTemporary(beside, path);
  }
  bool RenameOver(const std::string& from, const std::string& to) override {
    return disk()->RenameOver(from, to);
  }
  void WatchInterrupts() override {}
  void DeferInterrupts(bool) override {}
  bool Interrupted() override { return false; }
  void EndByInterrupt() override {}
  std::unique_ptr<DirEnum> FindFirst(const std::string&, bool,
                                     DirEntry*) override {
    return nullptr;
  }
  bool MakeDirectory(const std::string&) override { return false; }
  bool RemoveDirectory(const std::string&) override { return false; }
  bool GetCurrentDirectory(std::string* path) override {
    if (current_directory_fails) return false;
    *path = current_directory;
    return true;
  }
  bool SetCurrentDirectory(const std::string&) override { return false; }
  char GetCurrentDrive() override { return 0; }
  bool SetCurrentDrive(char) override { return true; }
  bool SlashStartsSwitch() const override { return slash_switches; }
  bool QuotesSplitArguments() const override { return quotes_split; }
  std::string FromTypedPath(const std::string& typed) const override {
    return typed;  // The tests' paths use '/'.
  }
  bool GetEnvironment(const std::string& name, std::string* value) override {
    auto it = environment.find(name);
    if (it == environment.end()) return false;
    *value = it->second;
    return true;
  }

 private:
  static Platform* disk() { return Platform::Default(); }
};

}  // namespace swu

#endif  // SWU_TESTS_CLI_CLI_TEST_PLATFORM_H_
