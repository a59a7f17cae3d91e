// SWU_OPTIONS ahead of the command line. See default_options.h.

#include "cli/default_options.h"

#include <cstring>

namespace swu {

const char kOptionsVariable[] = "SWU_OPTIONS";

namespace {

// True when an argument before the first "--" is --no-options.
bool OptionsRefused(int argc, char** argv) {
  for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
    if (strcmp(argv[i], "--") == 0) return false;
    if (strcmp(argv[i], "--no-options") == 0) return true;
  }
  return false;
}

// True when |word| is read as a switch (and nothing more) at the start
// of a command line: '-' or, where it starts one, '/'; not "--", which
// would make the whole command line text.
bool IsSwitchWord(const std::string& word, const SystemRules& rules) {
  if (word == "--") return false;
  return word[0] == '-' || (word[0] == '/' && rules.SlashStartsSwitch());
}

// The first word of |words| that is not a switch, or null.
const std::string* FirstNonSwitch(const std::vector<std::string>& words,
                                  const SystemRules& rules) {
  for (const std::string& word : words) {
    if (!IsSwitchWord(word, rules)) return &word;
  }
  return nullptr;
}

}  // namespace

std::vector<std::string> SplitOptions(const std::string& value) {
  std::vector<std::string> words;
  const char* kBlanks = " \t\r\n";
  size_t begin = value.find_first_not_of(kBlanks);
  while (begin != std::string::npos) {
    size_t end = value.find_first_of(kBlanks, begin);
    if (end == std::string::npos) end = value.size();
    words.push_back(value.substr(begin, end - begin));
    begin = value.find_first_not_of(kBlanks, end);
  }
  return words;
}

ParseOutcome ParseWithDefaultOptions(int argc, char** argv, FileSystem* files,
                                     SystemRules* rules, Settings* settings) {
  std::string value;
  if (argc < 1 || OptionsRefused(argc, argv) ||
      !rules->GetEnvironment(kOptionsVariable, &value)) {
    return ParseCommandLine(argc, argv, files, rules, settings);
  }
  std::vector<std::string> words = SplitOptions(value);
  if (const std::string* word = FirstNonSwitch(words, *rules)) {
    // The command line alone still gives the run its verbosity.
    ParseOutcome refused = ParseCommandLine(argc, argv, files, rules, settings);
    refused.status = RunStatus::BadArgument;
    refused.bad_text_marked = true;
    refused.bad_text = std::string(kOptionsVariable) + ": " + *word;
    return refused;
  }
  std::vector<char*> args = {argv[0]};
  for (std::string& word : words) {
    args.push_back(&word[0]);
    if (!settings->added_options.empty()) settings->added_options += ' ';
    settings->added_options += word;
  }
  args.insert(args.end(), argv + 1, argv + argc);
  args.push_back(nullptr);
  return ParseCommandLine(static_cast<int>(args.size() - 1), args.data(), files,
                          rules, settings);
}

}  // namespace swu
