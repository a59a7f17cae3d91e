// Defaults of the settings record, the letter table, and the typed view of
// the switch slots.

#include "cli/settings.h"

#include <algorithm>
#include <thread>

#include "cli/slots.h"

namespace swu {

int Settings::threads() const {
  if (thread_count > 0) return thread_count;
  unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(std::min(cores, 256u));
}

// The table keeps ten slots to a row so a slot's number can be read off.
// clang-format off
const char kLetterTable[40] = {
    'R', 'I', 0,   0,   0,   'C', '#', '%', 0,   0,    // 0-9
    0,   0,   0,   'M', 0,   'X', '\'', 'Z', 0,  0,    // 10-19
    'G', 'E', 'O', 0,   0,   0,   'S', 0,   0,   0,    // 20-29
    0,   0,   0,   '~', 'P', 0,   0,   0,   0,   0,    // 30-39
};
// clang-format on

Settings::Settings() { slots_[kVerbosity] = '2'; }

int Settings::verbosity() const { return slots_[kVerbosity] - '0'; }

LineMode Settings::line_mode() const {
  if (slots_[kLineMode] != 'D') return LineMode::kOff;
  if (slots_[kLineSub] == 0) return LineMode::kWhole;
  return static_cast<LineMode>(slots_[kLineSub]);
}

LineFilter Settings::line_filter() const {
  return static_cast<LineFilter>(slots_[kLineFilter]);
}

Placement Settings::placement() const {
  return static_cast<Placement>(slots_[kInsertAppend]);
}

AddMode Settings::add_mode() const {
  return static_cast<AddMode>(slots_[kAddMode]);
}

Selection Settings::selection() const {
  if (slots_[kSelect] != '#') return Selection::kAll;
  if (slots_[kSelectMode] == 0) return Selection::kCount;
  return static_cast<Selection>(slots_[kSelectMode]);
}

bool Settings::counts_matches() const { return slots_[kSelect] == '#'; }

AmpCase Settings::amp_case() const {
  return static_cast<AmpCase>(slots_[kAmpCase]);
}

Reset Settings::renewal() const {
  return static_cast<Reset>(slots_[kResetMode]);
}

char Settings::output_letter() const {
  return static_cast<char>(slots_[kOutputMode]);
}

OutputForm Settings::output_form() const {
  if (!output_mode()) return OutputForm::kInPlace;
  return static_cast<OutputForm>(slots_[kOutputMode]);
}

bool Settings::recurse() const { return slots_[kRecurse] == 'R'; }
bool Settings::help() const { return slots_[kHelp] == 'H'; }
char Settings::help_page() const {
  return static_cast<char>(slots_[kHelpPage]);
}
bool Settings::case_sensitive() const { return slots_[kCaseSensitive] == 'C'; }
bool Settings::start_anchor() const { return slots_[kStartAnchor] == '#'; }
bool Settings::end_anchor() const { return slots_[kEndAnchor] == '%'; }
bool Settings::whole_line_amp() const { return slots_[kWholeLineAmp] == 'X'; }
bool Settings::apostrophes() const { return slots_[kApostrophes] == '\''; }
bool Settings::pad() const { return slots_[kPad] == 'N'; }
uint8_t Settings::pad_byte() const { return slots_[kPadByte]; }
bool Settings::overwrite() const { return slots_[kOverwrite] == 'O'; }
bool Settings::functions_given() const { return slots_[kFunctions] == 'K'; }
bool Settings::stop_on_error() const { return slots_[kStopOnError] == 'S'; }

bool Settings::wildcard_change() const {
  return slots_[kWildcardChange] == 'W';
}

uint8_t Settings::wildcard_byte() const { return slots_[kWildcardByte]; }

bool Settings::creates_missing_file() const { return slots_[kCreate] == 'C'; }

bool Settings::intelligent_writing() const {
  return slots_[kNoIntelligent] != '~';
}

bool Settings::pauses_at_end() const { return slots_[kPause] == 'P'; }
bool Settings::output_mode() const { return slots_[kOutputPending] == '$'; }

bool Settings::output_directory() const {
  return slots_[kOutputMode] == '$' || slots_[kOutputMode] == 'B';
}

bool Settings::report_only() const {
  return slots_[kSelectMode] == '0' || slots_[kSelectMode] == 'R';
}

LoadStatus Settings::search_load() const {
  return static_cast<LoadStatus>(slots_[kLoadSearch]);
}

LoadStatus Settings::new_load() const {
  return static_cast<LoadStatus>(slots_[kLoadNew]);
}

void CopyBounded(char* dest, const char* source) {
  size_t n = strnlen(source, kMaxText);
  memcpy(dest, source, n);
  dest[n] = '\0';
}

namespace {

// FNV-1a over |n| bytes, continuing from |hash|.
uint64_t Fnv(uint64_t hash, const void* data, size_t n) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < n; ++i) {
    hash = (hash ^ p[i]) * 0x100000001b3ULL;
  }
  return hash;
}

}  // namespace

uint64_t Settings::ResultDigest() const {
  uint64_t h = 0xcbf29ce484222325ULL;
  h = Fnv(h, slots_, sizeof(slots_));
  h = Fnv(h, specials, sizeof(specials));
  h = Fnv(h, &word, sizeof(word));
  h = Fnv(h, &search_length, sizeof(search_length));
  h = Fnv(h, search_text(), search_length);
  h = Fnv(h, &new_length, sizeof(new_length));
  h = Fnv(h, new_text(), new_length);
  for (int32_t i = 0; i <= match_list.last; ++i) {
    h = Fnv(h, &match_list.entries[i], sizeof(int32_t));
  }
  for (int32_t i = 0; i <= functions.last; ++i) {
    h = Fnv(h, &functions.entries[i].mode, sizeof(int32_t));
    h = Fnv(h, &functions.entries[i].character, 1);
  }
  return h;
}

}  // namespace swu
