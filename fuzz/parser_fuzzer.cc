// Feeds arbitrary argument vectors to the command-line parser. The input
// is split on NUL bytes into arguments (at most 140, so that the argument
// limit is crossed too). The platform is a stub: files never open, the
// environment knows two variables (SWU_OPTIONS for half the inputs),
// standard input holds a short file list, the current directory is fixed.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/random.h"
#include "cli/default_options.h"
#include "cli/parser.h"
#include "cli/settings.h"
#include "fakes/forwarding_platform.h"
#include "platform/platform.h"
#include "result/new_text.h"

namespace swu {
namespace {

// The real platform, except for what the parser asks of it.
class StubPlatform : public ForwardingPlatform {
 public:
  StubPlatform() : ForwardingPlatform(Platform::Default()) {}

  bool slash_switches = false;  // both answers are explored
  bool quotes_split = false;    // both answers are explored
  bool options = false;         // SWU_OPTIONS is set
  std::unique_ptr<File> Open(const std::string&, OpenMode) override {
    return nullptr;
  }
  bool GetCurrentDirectory(std::string* path) override {
    *path = "/fuzz/current";
    return true;
  }
  bool SlashStartsSwitch() const override { return slash_switches; }
  bool QuotesSplitArguments() const override { return quotes_split; }
  std::string FromTypedPath(const std::string& typed) const override {
    return typed;
  }
  void NoteTypedSpelling(const std::string&) override {}
  bool ReadStandardInput(std::string* bytes) override {
    *bytes = std::string("a.c\nb c.c\r\n\n\0d.c", 16);
    return true;
  }
  bool GetEnvironment(const std::string& name, std::string* value) override {
    if (name == "SWU_OPTIONS" && options) {
      *value = "-V:1 --word -D:P -N";
      return true;
    }
    if (name != "SWU") return false;
    *value = std::string(400, 'v') + "'\"&#!";
    return true;
  }
};

constexpr size_t kMaxFuzzArguments = 140;

}  // namespace
}  // namespace swu

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args = {"swu"};
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] != 0) {
      current += static_cast<char>(data[i]);
      continue;
    }
    args.push_back(current);
    current.clear();
    if (args.size() > swu::kMaxFuzzArguments) break;
  }
  if (args.size() <= swu::kMaxFuzzArguments) args.push_back(current);

  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);

  swu::StubPlatform platform;
  platform.slash_switches = size % 2 == 1;
  platform.quotes_split = size % 4 >= 2;
  platform.options = size % 8 >= 4;
  swu::Random random;
  auto settings = std::make_unique<swu::Settings>();
  swu::ParseOutcome outcome =
      swu::ParseWithDefaultOptions(static_cast<int>(args.size()), argv.data(),
                                   &platform, &platform, settings.get());
  if (outcome.status == swu::RunStatus::None) {
    // The -K characters and the -' change, as the run makes them.
    swu::NewText text(*settings, &platform, &platform, &random);
    text.Prepare();
  }
  return 0;
}
