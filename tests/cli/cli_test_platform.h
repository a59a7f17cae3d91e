// A platform for the command-line tests: files are the real disk (the -L
// tests use temporary files), while the environment, the current directory
// and the console are in memory.

#ifndef SWU_TESTS_CLI_CLI_TEST_PLATFORM_H_
#define SWU_TESTS_CLI_CLI_TEST_PLATFORM_H_

#include <map>
#include <string>

#include "fakes/forwarding_platform.h"

namespace swu {

class CliTestPlatform : public ForwardingPlatform {
 public:
  CliTestPlatform() : ForwardingPlatform(Platform::Default()) {}

  std::map<std::string, std::string> environment;
  std::string current_directory = "/home/user/work";
  bool current_directory_fails = false;
  bool slash_switches = false;  // '/' starts a switch, as on Windows
  bool quotes_split = false;    // a '"' ends an argument, as on Windows
  std::string printed;
  int keys_read = 0;
  std::string standard_input;
  bool standard_input_fails = false;

  void Print(const char* data, size_t n) override { printed.append(data, n); }
  void ReadKey() override {
    ++keys_read;
    printed += "<key>";
  }
  bool ReadStandardInput(std::string* bytes) override {
    if (standard_input_fails) return false;
    *bytes = standard_input;
    return true;
  }
  bool GetCurrentDirectory(std::string* path) override {
    if (current_directory_fails) return false;
    *path = current_directory;
    return true;
  }
  bool SlashStartsSwitch() const override { return slash_switches; }
  bool QuotesSplitArguments() const override { return quotes_split; }
  std::string FromTypedPath(const std::string& typed) const override {
    return typed;  // The tests' paths use '/'.
  }
  // The real platform's memory of typed names serves the whole test
  // binary; the parser's tests leave it alone.
  void NoteTypedSpelling(const std::string&) override {}
  bool GetEnvironment(const std::string& name, std::string* value) override {
    auto it = environment.find(name);
    if (it == environment.end()) return false;
    *value = it->second;
    return true;
  }
};

}  // namespace swu

#endif  // SWU_TESTS_CLI_CLI_TEST_PLATFORM_H_
