// Feeds the search engine (the matcher and the replace loop) random search
// texts, switches and file images, and aborts where it disagrees with the
// naive reference of tests/search/naive_reference.h.
//
// The input: a byte of flags (-C, -1, the two anchors, an empty <new>,
// --word), a
// byte choosing the line mode (-D, -D:P, -D:L, -D:R), the line filter (-M,
// -U) and the -# selection, a byte of match numbers for -#:n,n,..., a byte
// with the text's length, the search text, and the rest as the file image.
// The settings come from the real parser, the texts through -L files that
// the platform serves from memory.
//
// Two checks: every search of a walk through the image gives the match
// record the reference gives, and the replace loop, through a writer that
// brackets each acted-on match's region, gives the reference's result.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/parser.h"
#include "cli/settings.h"
#include "fakes/forwarding_platform.h"
#include "fakes/memory_stream.h"
#include "search/match_writer.h"
#include "search/matcher.h"
#include "search/naive_reference.h"
#include "search/replace_loop.h"
#include "search/replace_state.h"
#include "store/file_buffer.h"

namespace swu {
namespace {

// The real platform, except that the -L files are in memory.
class TextFilePlatform : public ForwardingPlatform {
 public:
  TextFilePlatform() : ForwardingPlatform(Platform::Default()) {}

  std::map<std::string, std::string> files;

  std::unique_ptr<File> Open(const std::string& path, OpenMode) override {
    auto it = files.find(path);
    if (it == files.end()) return nullptr;
    return std::make_unique<MemoryStream>(it->second);
  }
  // The real platform would remember every name typed.
  void NoteTypedSpelling(const std::string&) override {}
};

// A MatchWriter that writes the result as the reference does: the image,
// with each acted-on match's consumed region in brackets.
class BracketWriter : public MatchWriter {
 public:
  explicit BracketWriter(FileBuffer* buffer) : buffer_(buffer) {}

  void PassUnchanged(int64_t n) override { Copy(n); }
  void CopyThrough(int64_t n) override { Copy(n); }
  void Drop(int64_t n) override { Move(n); }
  void DropRest() override { Move(buffer_->end - buffer_->position); }
  int64_t WriteAtMatch(const Match& match) override {
    result_ += "[";
    Copy(match.consumed);
    result_ += "]";
    return match.consumed;
  }
  void FinishMatches() override { Copy(buffer_->end - buffer_->position); }

  const std::string& result() const { return result_; }

 private:
  void Copy(int64_t n) {
    Check(n);
    result_.append(buffer_->block() + buffer_->position,
                   static_cast<size_t>(n));
    Move(n);
  }
  void Move(int64_t n) {
    Check(n);
    buffer_->position += n;
  }
  // The loop never asks for bytes outside the image.
  void Check(int64_t n) {
    if (n < 0 || buffer_->position + n > buffer_->end) {
      fprintf(stderr, "writer asked for %lld bytes at %lld of %lld\n",
              static_cast<long long>(n),
              static_cast<long long>(buffer_->position),
              static_cast<long long>(buffer_->end));
      abort();
    }
  }

  FileBuffer* buffer_;
  std::string result_;
};

// What the input asks for.
struct Input {
  NaiveRules rules;
  NaiveSelection selection;
  std::string selection_switch;
  std::string image;
};

constexpr int64_t kHeader = 4;

bool Decode(const uint8_t* data, size_t size, Input* in) {
  if (size < kHeader) return false;
  uint8_t flags = data[0];
  NaiveRules& rules = in->rules;
  rules.case_sensitive = flags & 1;
  rules.wildcard = flags & 2 ? -1 : '@';
  rules.start_anchor = flags & 4;
  rules.end_anchor = flags & 8;
  rules.new_text_empty = flags & 16;
  rules.word = flags & 32;
  const LineMode kModes[] = {LineMode::kOff, LineMode::kWhole,
                             LineMode::kKeepEmpty, LineMode::kKeepLeft,
                             LineMode::kKeepRight};
  const LineFilter kFilters[] = {LineFilter::kAll, LineFilter::kModifiedOnly,
                                 LineFilter::kUnmodifiedOnly};
  rules.line_mode = kModes[data[1] % 5];
  rules.line_filter = kFilters[data[1] / 5 % 3];
  const char* kSelections[] = {"",     "-#",   "-#:O", "-#:E", "-#:I",
                               "-#:J", "-#:L", "-#:0", "-#:R", "-#:"};
  int choice = data[1] / 15 % 10;
  in->selection_switch = kSelections[choice];
  if (choice == 9) {
    for (int n = 1; n <= 8; ++n) {
      if (data[2] & (1 << (n - 1))) {
        in->selection_switch += std::to_string(n) + ",";
        in->selection.numbers.push_back(n);
      }
    }
    if (in->selection.numbers.empty()) return false;
    in->selection_switch.pop_back();
  }
  const Selection kModes2[] = {Selection::kAll,          Selection::kCount,
                               Selection::kOdd,          Selection::kEven,
                               Selection::kAllButFirst,  Selection::kAllButLast,
                               Selection::kLast,         Selection::kReportOnly,
                               Selection::kReportRepeat, Selection::kList};
  in->selection.mode = kModes2[choice];
  size_t length = data[3] % 48;
  if (kHeader + length > size) return false;
  rules.text.assign(reinterpret_cast<const char*>(data + kHeader), length);
  in->image.assign(reinterpret_cast<const char*>(data + kHeader + length),
                   size - kHeader - length);
  // A text with a leading '#' or a trailing '!' would be read as anchored.
  if (!rules.text.empty() &&
      (rules.text.front() == '#' || rules.text.back() == '!')) {
    return false;
  }
  return !rules.text.empty() || rules.start_anchor || rules.end_anchor;
}

// The switches |in| asks for, as a user types them.
std::vector<std::string> Switches(const Input& in) {
  std::vector<std::string> args;
  const NaiveRules& rules = in.rules;
  if (rules.case_sensitive) args.push_back("-C");
  if (rules.wildcard < 0) args.push_back("-1");
  if (rules.word) args.push_back("--word");
  if (rules.line_mode == LineMode::kWhole) args.push_back("-D");
  if (rules.line_mode != LineMode::kOff &&
      rules.line_mode != LineMode::kWhole) {
    args.push_back(std::string("-D:") + static_cast<char>(rules.line_mode));
  }
  if (rules.line_filter != LineFilter::kAll) {
    args.push_back(std::string("-") + static_cast<char>(rules.line_filter));
  }
  if (!in.selection_switch.empty()) args.push_back(in.selection_switch);
  return args;
}

// Parses "swu F -L S -L N <switches>" into *settings; false when refused.
bool Parse(const Input& in, TextFilePlatform* platform, Settings* settings) {
  const NaiveRules& rules = in.rules;
  platform->files["S"] = (rules.start_anchor ? "#" : "") + rules.text +
                         (rules.end_anchor ? "!" : "");
  platform->files["N"] = "N";
  std::vector<std::string> args = {"swu", "F", "-L", "S"};
  if (rules.new_text_empty) {
    args.push_back("");
  } else {
    args.push_back("-L");
    args.push_back("N");
  }
  for (const std::string& s : Switches(in)) args.push_back(s);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  ParseOutcome outcome = ParseCommandLine(
      static_cast<int>(args.size()), argv.data(), platform, platform, settings);
  return outcome.status == RunStatus::None;
}

// |bytes| with CR, LF and other unprintable bytes as \xHH.
std::string Printable(const std::string& bytes) {
  std::string out;
  for (unsigned char b : bytes) {
    char hex[5];
    snprintf(hex, sizeof(hex), "\\x%02X", b);
    out += b >= 0x20 && b < 0x7F ? std::string(1, static_cast<char>(b)) : hex;
  }
  return out;
}

[[noreturn]] void Fail(const char* what, const std::string& engine,
                       const std::string& reference) {
  fprintf(stderr, "%s\n  engine:    %s\n  reference: %s\n", what,
          Printable(engine).c_str(), Printable(reference).c_str());
  abort();
}

// The parser must hand the engine the text and anchors that were typed.
void CheckParsed(const Input& in, const Settings& settings) {
  std::string parsed(settings.search_text(), settings.search_length);
  if (parsed != in.rules.text ||
      settings.start_anchor() != in.rules.start_anchor ||
      settings.end_anchor() != in.rules.end_anchor) {
    Fail("parsed search text", parsed, in.rules.text);
  }
}

void Load(const std::string& image, FileBuffer* buffer) {
  int64_t size = static_cast<int64_t>(image.size());
  if (!buffer->MakeRoom(size > 0 ? size : 1)) abort();
  memcpy(buffer->block(), image.data(), image.size());
  buffer->SetImage(size);
}

// Every search of a walk from the start, each resuming right after the
// text found.
void CheckSearches(const Input& in, Matcher* matcher) {
  FileBuffer buffer(Platform::Default());
  Load(in.image, &buffer);
  FileSearch search(matcher);
  int64_t length = static_cast<int64_t>(in.rules.text.size());
  for (int64_t resume = 0;;) {
    Match found;
    bool engine = search.FindNextMatch(buffer, resume, &found);
    int64_t s = NaiveFind(in.rules, in.image, resume);
    Match expected;
    if (s >= 0) expected = NaiveMatchAt(in.rules, in.image, 0, s);
    if (DescribeMatch(engine, found) != DescribeMatch(s >= 0, expected)) {
      Fail("search", DescribeMatch(engine, found),
           DescribeMatch(s >= 0, expected));
    }
    if (s < 0) return;
    resume = s + (length > 0 ? length : 1);
  }
}

void CheckReplaceLoop(const Input& in, const Settings& settings,
                      Matcher* matcher) {
  FileBuffer buffer(Platform::Default());
  Load(in.image, &buffer);
  BracketWriter writer(&buffer);
  ReplaceState state;
  ReplaceLoop loop(settings, &buffer, matcher, &writer, &state, nullptr);
  loop.Run();
  std::string expected = NaiveResult(in.rules, in.selection, in.image);
  if (writer.result() != expected) {
    Fail("replace loop", writer.result(), expected);
  }
}

}  // namespace
}  // namespace swu

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  swu::Input in;
  if (!swu::Decode(data, size, &in)) return 0;
  swu::TextFilePlatform platform;
  auto settings = std::make_unique<swu::Settings>();
  if (!swu::Parse(in, &platform, settings.get())) return 0;
  swu::CheckParsed(in, *settings);
  swu::Matcher matcher(*settings);
  swu::CheckSearches(in, &matcher);
  swu::CheckReplaceLoop(in, *settings, &matcher);
  return 0;
}
