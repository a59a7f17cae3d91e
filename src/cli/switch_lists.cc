// Readers for -#:a,a,a, -K:mC,mC and the byte values of -N and -W.
//
// Each reader works on the upper-cased switch text, except that the -K
// characters are taken as typed. Positions never go past the argument's
// end: SwitchArg::at() reads NUL there, and NUL stops every reader.

#include "cli/switch_lists.h"

#include <cassert>

namespace swu {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Numbers of the match list stop growing once they reach this value, so
// the largest number that can be given is 999999989.
constexpr int32_t kLastGrowableEntry = 99999999;

// Opens the entry after the last one. Returns false (and opens nothing)
// when that would be an eleventh entry.
bool OpenMatchEntry(MatchList* list) {
  if (list->last + 1 >= MatchList::kCapacity) return false;
  list->entries[++list->last] = 0;
  return true;
}

bool IsFunctionMode(char c) {
  return IsDigit(c) || c == 'H' || c == 'C' || c == 'G' || c == 'L' || c == 'I';
}

int32_t FunctionMode(char c) {
  return IsDigit(c) ? c - '0' : static_cast<unsigned char>(c);
}

}  // namespace

void ReadMatchList(SwitchArg* arg, ParseState* state) {
  Settings& settings = *state->settings;
  MatchList& list = settings.match_list;
  int64_t r = arg->pos + 2;
  state->slots[kSelectMode] = 'S';
  ++state->taken;

  bool overflow = false;
  if (list.last >= 0 && list.entries[list.last] > 0) {
    // An earlier -#: list goes on with a new entry.
    if (!OpenMatchEntry(&list)) {
      overflow = true;
      state->MarkBadText(arg->text + r);
    }
  } else {
    list.last = 0;
    list.entries[0] = 0;
  }
  while (!overflow && (IsDigit(arg->at(r)) || arg->at(r) == ',')) {
    int32_t& entry = list.entries[list.last];
    if (arg->at(r) == ',') {
      if (entry > 0 && !OpenMatchEntry(&list)) overflow = true;
    } else if (entry >= kLastGrowableEntry) {
      overflow = true;
    } else {
      entry = entry * 10 + (arg->at(r) - '0');
    }
    if (overflow) state->MarkBadText(arg->text + r);
    ++r;  // Reading stops after the offending character.
  }
  if (overflow) --state->taken;  // The switch is left begun.
  if (list.last >= 0 && list.entries[list.last] == 0) --list.last;
  arg->pos = r;
}

void StoreFunction(const SpecialFunction& entry, SpecialFunctionList* list) {
  assert(list->last + 1 < SpecialFunctionList::kCapacity);
  bool only_mode6 = list->last == list->last_mode6;
  if (entry.mode != 6 || only_mode6) {
    list->entries[++list->last] = entry;
    if (entry.mode == 6) ++list->last_mode6;
  } else {
    int32_t place = ++list->last_mode6;
    list->entries[++list->last] = list->entries[place];
    list->entries[place] = entry;
  }
  // Invariant: the mode-6 entries form the front of the list.
  assert(list->ModeSixLeads());
}

void ReadFunctionList(SwitchArg* arg, ParseState* state) {
  Settings& settings = *state->settings;
  SpecialFunctionList& list = settings.functions;
  int64_t q = arg->pos + 2;
  while (true) {
    char c = arg->at(q);
    if (IsFunctionMode(c) && q + 1 < arg->length) {
      if (list.size() < SpecialFunctionList::kCapacity) {
        ++state->taken;
        SpecialFunction entry;
        entry.mode = FunctionMode(c);
        entry.character = static_cast<uint8_t>(arg->typed[q + 1]);
        StoreFunction(entry, &list);
      }
      q += 2;
    } else if (c == 'R' && q + 1 < arg->length &&
               (arg->at(q + 1) == 'M' || arg->at(q + 1) == 'F')) {
      state->slots[kResetMode] = static_cast<uint8_t>(arg->at(q + 1));
      ++state->taken;
      q += 2;
    } else {
      break;  // Not an entry: the list ends here.
    }
    if (arg->at(q) != ',' || q + 2 >= arg->length ||
        state->taken != state->begun) {
      break;
    }
    ++state->begun;
    ++q;
  }
  arg->pos = q;
}

void ReadByteValue(SwitchArg* arg, ParseState* state, uint8_t* byte) {
  int64_t r = arg->pos + 2;
  int value = -1;  // -1: no value read yet
  if (arg->at(r) == '0') {
    value = 0;
    ++r;
  } else {
    while (r < arg->length && IsDigit(arg->at(r))) {
      int digit = arg->at(r) - '0';
      int candidate = (value < 0 ? 0 : value) * 10 + digit;
      if (candidate >= 256) {
        // A digit 1-4 is left to the next pass as a special-character
        // switch (-N:2551 is byte 255 and -1).
        if (digit < 1 || digit > 4) {
          state->Fail(RunStatus::BadArgument);
          state->MarkBadText(arg->text + r);
        }
        break;
      }
      value = candidate;
      ++r;
    }
  }
  if (arg->at(r) == ':') ++r;
  if (value >= 0) {
    *byte = static_cast<uint8_t>(value);
    ++state->taken;
  }
  arg->pos = r;
}

}  // namespace swu
