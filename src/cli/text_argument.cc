// Text arguments. -G and -E act on the next text argument only; both marks
// are cleared when it is taken. With -E the argument names a variable,
// looked up as given and then upper-cased; with -GE an unset variable
// yields the argument itself. A text longer than kMaxText bytes, typed or
// taken from a variable, is refused with the argument as the bad text: it
// would not fit its place, and a cut text could change the wrong bytes.

#include "cli/text_argument.h"

#include <cstring>
#include <string>

namespace swu {

namespace {

// Looks |name| up as given, then upper-cased. On success stores the value
// in *value and returns true.
bool LookUpVariable(const char* name, SystemRules* rules, std::string* value) {
  char bounded[kBufferSize];
  CopyBounded(bounded, name);
  if (rules->GetEnvironment(bounded, value)) return true;
  UpperCaseAscii(bounded);
  return rules->GetEnvironment(bounded, value);
}

// Puts |text| into the first free place. A place counts as free while its
// first byte is NUL, so an empty text fills nothing.
void PlaceText(const char* text, ParseState* state) {
  Settings& settings = *state->settings;
  SettingsWriter& slots = state->slots;
  if (slots[kOutputPending] == '$') {
    CopyBounded(settings.output_name,
                state->rules->FromTypedPath(text).c_str());
    slots[kOutputPending] = 0;
    slots[kNoIntelligent] = '~';
  } else if (settings.filespec[0] == '\0' && !state->filespec_left_out) {
    // The user's spelling is kept for finding its directories.
    state->files->NoteTypedSpelling(state->rules->FromTypedPath(text));
    CopyBounded(settings.filespec, text);
    UpperCaseAscii(settings.filespec);
  } else if (settings.search_buffer[0] == '\0') {
    CopyBounded(settings.search_buffer, text);
  } else if (settings.new_buffer[0] == '\0') {
    CopyBounded(settings.new_buffer, text);
  } else {
    state->Fail(RunStatus::BadArgument);
    state->MarkBadText(text);  // One text more than there are places.
  }
}

}  // namespace

void TakeTextArgument(const char* text, ParseState* state) {
  SettingsWriter& slots = state->slots;
  std::string value;
  const char* source = text;
  if (slots[kPendingEnv] == 'E') {
    if (LookUpVariable(text, state->rules, &value)) {
      source = value.c_str();
    } else if (slots[kPendingText] != 'G') {
      source = nullptr;
      state->Fail(RunStatus::BadCommandLine);
    }
  }
  slots[kPendingText] = 0;
  slots[kPendingEnv] = 0;
  ++state->begun;
  ++state->taken;
  if (source == nullptr) return;
  if (strlen(text) > static_cast<size_t>(kMaxText) ||
      strlen(source) > static_cast<size_t>(kMaxText)) {
    state->Fail(RunStatus::BadArgument);
    state->MarkWholeBadText(text);
    if (slots[kOutputPending] == '$') state->output_name_refused = true;
    return;
  }
  PlaceText(source, state);
}

}  // namespace swu
