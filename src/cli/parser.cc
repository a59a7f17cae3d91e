// The parser's start-up and argument loop. Each argument is copied, given the
// quote fix-up, classified as a switch or a text argument and handed on. After
// the loop the validation and finishing steps run, also when the loop did
// not (too many arguments). An argument that is exactly "--" ends the
// switches: every later argument is a text. The long options
// (cli/long_option.h) are taken before an argument is classified; a file
// list, wherever it stands, leaves <filespec> out (cli/file_list.h).
//
// The quote fix-up undoes what a Windows command line split makes of a
// quoted argument that ends in a backslash ("C:\dir\" abc arrives as
// C:\dir" abc): the first double quote becomes a backslash and ends the
// argument, and the text two characters after it is read as the next
// argument. -Z turns the fix-up off for later arguments. Where the shell
// has split the arguments (POSIX) there is no fix-up: a double quote is an
// ordinary character.
//
// Tested by tests/cli/parser_test.cc.

#include "cli/parser.h"

#include <cstring>
#include <string>

#include "cli/file_list.h"
#include "cli/finishing.h"
#include "cli/long_option.h"
#include "cli/parse_state.h"
#include "cli/switch_argument.h"
#include "cli/text_argument.h"
#include "cli/validation.h"

namespace swu {

namespace {

// Turns the first '"' of |text| into '\' and ends |text| right after it.
// Returns the quote's position, or -1 when there is none.
int64_t FixQuote(char* text) {
  char* quote = strchr(text, '"');
  if (quote == nullptr) return -1;
  *quote = '\\';
  quote[1] = '\0';
  return quote - text;
}

// '-' starts a switch argument; '/' only where the platform says so (not
// on POSIX, where it begins a path: /pot is a text). After -G or "--" an
// argument is text whatever it starts with.
bool IsSwitchArgument(const char* text, const ParseState& state) {
  if (ArgumentIsText(state)) return false;
  if (text[0] == '-') return true;
  return text[0] == '/' && state.rules->SlashStartsSwitch();
}

// Reads one argument, and (where quotes split arguments) the rest after a
// double quote as if it were the next argument, until the argument is used up
// or something has failed. The argument is copied whole: a text longer than
// kMaxText bytes is refused by the text step, never cut; a switch argument is
// read up to kMaxText bytes.
void ReadArgument(const char* argument, ParseState* state) {
  std::string copy = LongOptionSwitch(argument, *state);
  char* text = &copy[0];
  while (true) {
    int64_t length = static_cast<int64_t>(strlen(text));
    // The quote fix-up never changes what the first character makes of
    // the argument, so it can be classified before it.
    bool is_switch = IsSwitchArgument(text, *state);
    if (is_switch && length > kMaxText) {
      text[kMaxText] = '\0';
      length = kMaxText;
    }
    int64_t quote = -1;
    if (state->rules->QuotesSplitArguments() &&
        state->slots[kNoQuoteFix] != 'Z') {
      quote = FixQuote(text);
    }
    if (is_switch) {
      ReadSwitchArgument(text, length, state);
    } else {
      TakeTextArgument(text, state);
    }
    if (quote < 0 || quote + 1 >= length || state->failed()) return;
    // The character after the quote (the blank between two words of one
    // quoted run) is dropped; a CR that ends the rest is removed.
    text += quote + 2;
    size_t rest = strlen(text);
    if (rest > 0 && text[rest - 1] == '\r') text[rest - 1] = '\0';
  }
}

}  // namespace

ParseOutcome ParseCommandLine(int argc, char** argv, FileSystem* files,
                              SystemRules* rules, Settings* settings) {
  ParseOutcome outcome;
  ParseState state(settings, files, rules, &outcome);
  if (argc > kMaxArguments + 1) state.Fail(RunStatus::BadCommandLine);
  state.slots[kAmpCase] = 'C';
  state.slots[kPadByte] = 32;
  state.slots[kWildcardByte] = 32;
  state.filespec_left_out = FileListAsked(argc, argv);
  for (int i = 1; i < argc && !state.failed(); ++i) {
    const char* argument = argv[i] != nullptr ? argv[i] : "";
    if (!TakeLongOption(argc, argv, &i, &state)) {
      ReadArgument(argument, &state);
    }
  }
  ValidateCommandLine(&state);
  TakeFileList(&state);
  FinishCommandLine(&state);
  return outcome;
}

}  // namespace swu
