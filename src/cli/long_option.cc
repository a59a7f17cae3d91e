// The long options. See long_option.h.

#include "cli/long_option.h"

#include <cstring>

namespace swu {

namespace {

// --color=auto|always|never into *color; false for any other argument.
bool ColorChoice(const char* argument, DiffColor* color) {
  if (strcmp(argument, "--color=auto") == 0) {
    *color = DiffColor::kAuto;
  } else if (strcmp(argument, "--color=always") == 0) {
    *color = DiffColor::kAlways;
  } else if (strcmp(argument, "--color=never") == 0) {
    *color = DiffColor::kNever;
  } else {
    return false;
  }
  return true;
}

// The two list options and the byte that ends a name in each list.
struct ListOption {
  const char* name;
  char separator;
};
constexpr ListOption kListOptions[] = {{"--files-from", '\n'},
                                       {"--files0-from", '\0'}};

// The list option |argument| starts with, and in *value the name after
// its '=' (null when the name is the next argument); null for any other
// argument.
const ListOption* ListOptionOf(const char* argument, const char** value) {
  for (const ListOption& option : kListOptions) {
    size_t n = strlen(option.name);
    if (strncmp(argument, option.name, n) != 0) continue;
    if (argument[n] == '\0') {
      *value = nullptr;
      return &option;
    }
    if (argument[n] == '=') {
      *value = argument + n + 1;
      return &option;
    }
  }
  return nullptr;
}

// Takes a list option and its name. An empty or missing name fails the
// command line, naming the option.
void TakeListOption(const ListOption& option, const char* value,
                    ParseState* state) {
  Settings& settings = *state->settings;
  if (value == nullptr || value[0] == '\0') {
    state->Fail(RunStatus::BadArgument);
    state->MarkBadText(option.name);
    return;
  }
  settings.list_name = value;
  settings.list_separator = option.separator;
  state->list_option = option.name;
}

// True when |argument| is --threads, with its count after '=' in *value
// (null when the count is the next argument).
bool ThreadsOption(const char* argument, const char** value) {
  static const char* const kName = "--threads";
  size_t n = strlen(kName);
  if (strncmp(argument, kName, n) != 0) return false;
  if (argument[n] == '\0') {
    *value = nullptr;
    return true;
  }
  if (argument[n] != '=') return false;
  *value = argument + n + 1;
  return true;
}

// Takes --threads' count: 1 (one thread) to 256. Anything else fails the
// command line, naming the option.
void TakeThreads(const char* value, ParseState* state) {
  int count = 0;
  for (const char* c = value; c != nullptr && *c != '\0' && count <= 256; ++c) {
    count = *c >= '0' && *c <= '9' ? count * 10 + (*c - '0') : 257;
  }
  if (count < 1 || count > 256) {
    state->Fail(RunStatus::BadArgument);
    state->MarkBadText("--threads");
    return;
  }
  state->settings->thread_count = count;
}

// The long options without a value: their settings.
bool TakeFlagOption(const char* argument, ParseState* state) {
  Settings& settings = *state->settings;
  if (strcmp(argument, "--") == 0) {
    state->switches_ended = true;
  } else if (strcmp(argument, "--sync") == 0) {
    settings.sync = true;
  } else if (strcmp(argument, "--diff") == 0) {
    settings.diff = true;
  } else if (strcmp(argument, "--skip-binary") == 0) {
    settings.skip_binary = true;
  } else if (strcmp(argument, "--word") == 0) {
    settings.word = true;
  } else if (strcmp(argument, "--no-options") == 0) {
    // Read before the parser runs: SWU_OPTIONS was left out.
  } else {
    return ColorChoice(argument, &settings.diff_color);
  }
  return true;
}

}  // namespace

bool ArgumentIsText(const ParseState& state) {
  return state.slots[kPendingText] == 'G' || state.switches_ended;
}

const char* LongOptionSwitch(const char* argument, const ParseState& state) {
  if (ArgumentIsText(state)) return argument;
  if (strcmp(argument, "--help") == 0) return "-H";
  if (strcmp(argument, "--version") == 0) return "-H:V";
  return argument;
}

bool TakeLongOption(int argc, char** argv, int* i, ParseState* state) {
  if (ArgumentIsText(*state)) return false;
  const char* argument = argv[*i] != nullptr ? argv[*i] : "";
  const char* value = nullptr;
  if (ThreadsOption(argument, &value)) {
    if (value == nullptr && *i + 1 < argc) value = argv[++*i];
    TakeThreads(value, state);
    return true;
  }
  const ListOption* list = ListOptionOf(argument, &value);
  if (list == nullptr) return TakeFlagOption(argument, state);
  if (value == nullptr && *i + 1 < argc) value = argv[++*i];
  TakeListOption(*list, value, state);
  return true;
}

bool FileListAsked(int argc, char** argv) {
  for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
    if (strcmp(argv[i], "--") == 0) return false;
    const char* value = nullptr;
    if (ListOptionOf(argv[i], &value) != nullptr) return true;
  }
  return false;
}

}  // namespace swu
