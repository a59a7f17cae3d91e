// The parser's working state, shared by its pieces: the argument loop, the
// switch handlers, the list readers, the text arguments, the validation and
// the finishing steps. Lives only while ParseCommandLine runs.
//
// Two counts run over the whole command line: items begun and items taken.
// A handler that recognises its letter begins an item and takes it once the
// letter (with its value, if any) is complete. Equal counts mean nothing is
// left pending; unequal counts end the command line as a bad argument.

#ifndef SWU_CLI_PARSE_STATE_H_
#define SWU_CLI_PARSE_STATE_H_

#include <cstdint>
#include <cstring>

#include "cli/parser.h"
#include "cli/settings.h"
#include "cli/slots.h"
#include "platform/file_system.h"
#include "platform/name_pattern.h"
#include "platform/system_rules.h"

namespace swu {

struct ParseState {
  ParseState(Settings* s, FileSystem* f, SystemRules* r, ParseOutcome* o)
      : settings(s), slots(s), files(f), rules(r), outcome(o) {}

  Settings* settings;
  SettingsWriter slots;  // the switch slots of *settings
  FileSystem* files;     // the -L and list files, the current directory
  SystemRules* rules;    // the command line, typed paths, the environment
  ParseOutcome* outcome;
  int64_t begun = 0;  // items begun
  int64_t taken = 0;  // items taken
  // The text meant for the -$ name was refused (too long): the name is
  // bad, not missing.
  bool output_name_refused = false;
  // A "--" has been read: every later argument is a text.
  bool switches_ended = false;
  // A file list stands for <filespec> (see FileListAsked): the first text
  // is <search>.
  bool filespec_left_out = false;
  // The list option as given ("--files-from" or "--files0-from"), for a
  // message; null until one is taken.
  const char* list_option = nullptr;

  bool failed() const { return outcome->status != RunStatus::None; }

  // Records |status| unless an earlier failure is already recorded.
  void Fail(RunStatus status) {
    if (!failed()) outcome->status = status;
  }

  // Marks |text| (at most kMaxText bytes) as the bad text, unless a text is
  // already marked: the first place that marks one wins.
  void MarkBadText(const char* text) {
    if (outcome->bad_text_marked) return;
    outcome->bad_text_marked = true;
    outcome->bad_text.assign(text, strnlen(text, kMaxText));
  }

  // The same for a whole argument of any length (an over-long text).
  void MarkWholeBadText(const char* text) {
    if (outcome->bad_text_marked) return;
    outcome->bad_text_marked = true;
    outcome->bad_text = text;
  }
};

// One switch argument while its passes are read. |text| is upper-cased;
// |typed| keeps the bytes as the user typed them, for the two places that
// take a byte with its case (-n:b and the -K characters).
struct SwitchArg {
  char* text;                    // the argument, upper-cased in place
  char typed[kBufferSize] = {};  // the same bytes in their original case
  int64_t length = 0;            // measured before the quote fix-up
  int64_t pos = 1;               // the character being read

  // The character at |i|, or NUL past the argument's end.
  char at(int64_t i) const { return i >= 0 && i < length ? text[i] : '\0'; }
  char here() const { return at(pos); }
  // True when the letter at pos is followed by ':' and a value character.
  bool value_follows() const { return pos + 2 < length && at(pos + 1) == ':'; }
  char value() const { return at(pos + 2); }
};

// Upper-cases the ASCII letters a-z of the NUL-terminated |text| in place.
inline void UpperCaseAscii(char* text) {
  for (; *text != '\0'; ++text) *text = UpperAscii(*text);
}

}  // namespace swu

#endif  // SWU_CLI_PARSE_STATE_H_
