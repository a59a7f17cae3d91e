// The parser's start-up and argument loop. Each argument is copied into a
// bounded buffer (an argument is cut at kMaxText bytes), given the quote
// fix-up, classified as a switch or a text argument and handed on. After
// the loop the validation and finishing steps run, also when the loop did
// not (too many arguments).
//
// The quote fix-up undoes what a command shell makes of a quoted argument
// that ends in a backslash ("C:\dir\" abc arrives as C:\dir" abc): the
// first double quote becomes a backslash and ends the argument, and the
// text two characters after it is read as the next argument. -Z turns the
// fix-up off for later arguments.
//
// Tested by tests/cli/parser_test.cc.

#include "cli/parser.h"

#include <cstring>

#include "cli/finishing.h"
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

// '-' always starts a switch argument; so does '/' on Windows, and
// elsewhere only when no other '/' follows, so that /V:3 is a switch and
// /home/me/*.txt a filespec. After -G the next argument is text whatever
// it starts with.
bool IsSwitchArgument(const char* text, const ParseState& state) {
  if ((*state.settings)[kPendingText] == 'G') return false;
  if (text[0] == '-') return true;
  if (text[0] != '/') return false;
  return state.platform->SlashStartsSwitch() ||
         strchr(text + 1, '/') == nullptr;
}

// Reads one argument, and the rest after a double quote as if it were the
// next argument, until the argument is used up or something has failed.
void ReadArgument(const char* argument, ParseState* state) {
  char buffer[kBufferSize] = {};
  CopyBounded(buffer, argument);
  char* text = buffer;
  while (true) {
    int64_t length = static_cast<int64_t>(strlen(text));
    int64_t quote = -1;
    if ((*state->settings)[kNoQuoteFix] != 'Z') quote = FixQuote(text);
    if (IsSwitchArgument(text, *state)) {
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

ParseOutcome ParseCommandLine(int argc, char** argv, Platform* platform,
                              Random* random, Settings* settings) {
  ParseOutcome outcome;
  ParseState state{settings, platform, random, &outcome};
  if (argc > kMaxArguments + 1) state.Fail(RunStatus::BadCommandLine);
  (*settings)[kAmpCase] = 'C';
  (*settings)[kPadByte] = 32;
  (*settings)[kWildcardByte] = 32;
  for (int i = 1; i < argc && !state.failed(); ++i) {
    ReadArgument(argv[i] != nullptr ? argv[i] : "", &state);
  }
  ValidateCommandLine(&state);
  FinishCommandLine(&state);
  return outcome;
}

}  // namespace swu
