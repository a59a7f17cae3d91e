// A switch argument is read in passes. Each pass runs every handler of
// kHandlers once, in table order, each looking at the character where the
// previous one left the position. A pass that takes nothing makes the
// argument bad, with the rest of the argument from the position on as the
// bad text; a pass that leaves an item begun but not taken stops the
// argument, and the validation after the loop reports it.
//
// The order of the handlers matters: it decides, for example, that in -C#:1
// the '#' is read by the letter table as the start-of-line anchor (the -#
// handler has already run in that pass) and ":1" then reads as -1.

#include "cli/switch_argument.h"

#include <cassert>
#include <cstring>

#include "cli/switch_lists.h"

namespace swu {

namespace {

using Handler = void (*)(SwitchArg* arg, ParseState* state);

// Begins the letter at arg->pos. With a value: a value out of |accepted| is
// stored in |*slot| and taken; any other value leaves the letter begun.
// Without a value the bare letter is taken.
void TakeWithValue(SwitchArg* arg, ParseState* state, const char* accepted,
                   uint8_t* slot) {
  ++state->begun;
  if (!arg->value_follows()) {
    ++state->taken;
    arg->pos += 1;
    return;
  }
  char value = arg->value();
  if (value == '\0' || strchr(accepted, value) == nullptr) return;
  *slot = static_cast<uint8_t>(value);
  ++state->taken;
  arg->pos += 3;
}

// Takes the bare letter at arg->pos.
void TakeLetter(SwitchArg* arg, ParseState* state) {
  ++state->begun;
  ++state->taken;
  arg->pos += 1;
}

// A ':' between letters, as in -C#:1, is passed over.
void HandleStrayColon(SwitchArg* arg, ParseState* state) {
  char next = arg->at(arg->pos + 1);
  if (arg->here() != ':' || next == '\0' || next == ':') return;
  TakeLetter(arg, state);
}

// -1 .. -4 disable a special character; -n:b changes it to the byte b.
void HandleSpecialCharacters(SwitchArg* arg, ParseState* state) {
  Settings& settings = *state->settings;
  SettingsWriter& slots = state->slots;
  while (arg->here() >= '1' && arg->here() <= '4') {
    int n = arg->here() - '0';
    ++state->begun;
    if (arg->value_follows()) {
      settings.specials[n] = static_cast<uint8_t>(arg->typed[arg->pos + 2]);
      arg->pos += 3;
    } else {
      slots[static_cast<Slot>(kDisable1 + n - 1)] =
          static_cast<uint8_t>(arg->here());
      arg->pos += 1;
    }
    ++state->taken;
  }
}

// -B / -T, with :C to create a missing file.
void HandleAddMode(SwitchArg* arg, ParseState* state) {
  char c = arg->here();
  if (c != 'B' && c != 'T') return;
  SettingsWriter& slots = state->slots;
  slots[kAddMode] = static_cast<uint8_t>(c);
  TakeWithValue(arg, state, "C", &slots[kCreate]);
}

// -D, -D:P, -D:L, -D:R.
void HandleLineMode(SwitchArg* arg, ParseState* state) {
  if (arg->here() != 'D') return;
  SettingsWriter& slots = state->slots;
  slots[kLineMode] = 'D';
  TakeWithValue(arg, state, "PLR", &slots[kLineSub]);
}

// -$, -$:F, -$:A, -$:B: the next text argument names the output.
void HandleOutput(SwitchArg* arg, ParseState* state) {
  if (arg->here() != '$') return;
  SettingsWriter& slots = state->slots;
  slots[kOutputPending] = '$';
  slots[kOutputMode] = '$';
  TakeWithValue(arg, state, "FAB", &slots[kOutputMode]);
}

// -#:a selects matches: a mode letter, or a list of match numbers. A bare
// -# is left begun.
void HandleSelect(SwitchArg* arg, ParseState* state) {
  if (arg->here() != '#') return;
  SettingsWriter& slots = state->slots;
  slots[kSelect] = '#';
  ++state->begun;
  if (!arg->value_follows()) return;
  char value = arg->value();
  if (value != '\0' && strchr("R0LOEIJ", value) != nullptr) {
    slots[kSelectMode] = static_cast<uint8_t>(value);
    ++state->taken;
    arg->pos += 3;
  } else if (value >= '1' && value <= '9') {
    ReadMatchList(arg, state);
  }
}

// -K:mC,mC,... and -K:RM / -K:RF. A -K without a list is passed over
// without being taken.
void HandleFunctions(SwitchArg* arg, ParseState* state) {
  if (arg->here() != 'K') return;
  state->slots[kFunctions] = 'K';
  ++state->begun;
  if (arg->pos + 3 < arg->length && arg->at(arg->pos + 1) == ':') {
    ReadFunctionList(arg, state);
  } else {
    arg->pos += 1;
  }
}

// -&, -&:C, -&:L, -&:U.
void HandleAmpersand(SwitchArg* arg, ParseState* state) {
  if (arg->here() != '&') return;
  SettingsWriter& slots = state->slots;
  slots[kAmpGiven] = '&';
  TakeWithValue(arg, state, "CLU", &slots[kAmpCase]);
}

// -N[:x] (pad byte) and -W[:x] (wildcard byte), each once per command line.
void HandleByteSwitches(SwitchArg* arg, ParseState* state) {
  SettingsWriter& slots = state->slots;
  Slot letter_slot;
  Slot byte_slot;
  if (arg->here() == 'N' && slots[kPad] == 0) {
    letter_slot = kPad;
    byte_slot = kPadByte;
  } else if (arg->here() == 'W' && slots[kWildcardChange] == 0) {
    letter_slot = kWildcardChange;
    byte_slot = kWildcardByte;
  } else {
    return;
  }
  slots[letter_slot] = static_cast<uint8_t>(arg->here());
  if (arg->value_follows()) {
    ++state->begun;
    ReadByteValue(arg, state, &slots[byte_slot]);
  } else {
    TakeLetter(arg, state);
  }
}

// -H[:x] and -?: help, page 1 unless a page is given.
void HandleHelp(SwitchArg* arg, ParseState* state) {
  if (arg->here() != 'H' && arg->here() != '?') return;
  SettingsWriter& slots = state->slots;
  slots[kHelp] = 'H';
  if (slots[kHelpPage] == 0) slots[kHelpPage] = '1';
  TakeWithValue(arg, state, "APV123", &slots[kHelpPage]);
}

// -V[:x]: verbosity, 3 when no level is given.
void HandleVerbosity(SwitchArg* arg, ParseState* state) {
  if (arg->here() != 'V') return;
  SettingsWriter& slots = state->slots;
  slots[kVerbosity] = '3';
  slots[kVerboseGiven] = 'V';
  TakeWithValue(arg, state, "0123", &slots[kVerbosity]);
}

void HandleUnmodified(SwitchArg* arg, ParseState* state) {
  if (arg->here() != 'U') return;
  state->slots[kLineFilter] = 'U';
  TakeLetter(arg, state);
}

// -L: the search text, or once it is given the new text, is a file name.
void HandleLoad(SwitchArg* arg, ParseState* state) {
  if (arg->here() != 'L') return;
  SettingsWriter& slots = state->slots;
  if (state->settings->search_buffer[0] == '\0') {
    slots[kLoadSearch] = 'L';
  } else {
    slots[kLoadNew] = 'L';
  }
  TakeLetter(arg, state);
}

void HandleAppend(SwitchArg* arg, ParseState* state) {
  if (arg->here() != 'A') return;
  state->slots[kInsertAppend] = 'A';
  TakeLetter(arg, state);
}

// The plain letters of kLetterTable. One scan of the table takes several
// letters when they stand in table order (-RIC); the rest wait for later
// passes.
void HandleLetterTable(SwitchArg* arg, ParseState* state) {
  SettingsWriter& slots = state->slots;
  for (int k = 0; k < 40 && arg->here() != '\0'; ++k) {
    if (kLetterTable[k] != '\0' && arg->here() == kLetterTable[k]) {
      slots[static_cast<Slot>(k)] = static_cast<uint8_t>(kLetterTable[k]);
      TakeLetter(arg, state);
    }
  }
}

const Handler kHandlers[] = {
    HandleStrayColon,   HandleSpecialCharacters,
    HandleAddMode,      HandleLineMode,
    HandleOutput,       HandleSelect,
    HandleFunctions,    HandleAmpersand,
    HandleByteSwitches, HandleHelp,
    HandleVerbosity,    HandleUnmodified,
    HandleLoad,         HandleAppend,
    HandleLetterTable,
};

}  // namespace

void ReadSwitchArgument(char* text, int64_t length, ParseState* state) {
  assert(length <= kMaxText);
  if (length < 2) {
    state->Fail(RunStatus::BadArgument);
    state->MarkBadText(text);
    return;  // A lone '-' or '/'.
  }
  SwitchArg arg;
  arg.text = text;
  arg.length = length;
  memcpy(arg.typed, text, static_cast<size_t>(length));
  UpperCaseAscii(text);

  while (arg.pos < arg.length) {
    if (state->failed() || state->begun != state->taken) return;
    int64_t taken_before = state->taken;
    for (Handler handler : kHandlers) handler(&arg, state);
    // Invariant: no handler moves past the argument's end.
    assert(arg.pos <= arg.length);
    if (state->taken <= taken_before) {
      state->Fail(RunStatus::BadArgument);
      state->MarkBadText(arg.text + arg.pos);
    }
  }
}

}  // namespace swu
