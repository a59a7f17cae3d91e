// The one run-wide record of everything the command line asked for: one
// byte slot per switch, the four special characters, the match list of -#,
// the special function list of -K, and the texts and names the run works
// with. The parser fills it once; the rest of the program reads it.
//
// A slot holds 0 while its switch has not been given, otherwise a character
// (usually the switch letter in upper case, or the value character). Code
// compares slots with those exact characters, so the stored characters are
// part of the contract.

#ifndef SWU_CLI_SETTINGS_H_
#define SWU_CLI_SETTINGS_H_

#include <cstdint>
#include <cstring>
#include <vector>

namespace swu {

// Every typed text, name and path holds at most this many bytes; each
// buffer has one more byte for the terminating NUL.
constexpr int kMaxText = 261;
constexpr int kBufferSize = kMaxText + 1;

// Largest file or -L file that is loaded (0x7FFFFFBF).
constexpr int64_t kMaxFileSize = 2147483583;

// Arguments after the program name; one more is a bad command line.
constexpr int kMaxArguments = 126;

// Positions of the switch slots.
enum Slot : int {
  kRecurse = 0,        // -R: 'R'
  kInsertAppend = 1,   // -I / -A: 'I' or 'A'
  kVerboseGiven = 2,   // -V given: 'V'
  kVerbosity = 3,      // '0'..'3', default '2'
  kHelp = 4,           // -H / -?: 'H'
  kCaseSensitive = 5,  // -C: 'C'
  kStartAnchor = 6,    // '#': match only at the start of a line
  kEndAnchor = 7,      // '%': match only at the end of a line
  kLineMode = 8,       // -D: 'D'
  kDisable1 = 9,       // -1..-4 without value: '1'..'4' (kDisable1..4)
  kDisable2 = 10,
  kDisable3 = 11,
  kDisable4 = 12,
  kLineFilter = 13,      // -M / -U: 'M' or 'U'
  kAddMode = 14,         // -B / -T: 'B' or 'T'
  kWholeLineAmp = 15,    // -X: 'X'
  kApostrophes = 16,     // -': '\''
  kNoQuoteFix = 17,      // -Z: 'Z'
  kPad = 18,             // -N: 'N'
  kPadByte = 19,         // -N[:x]: any byte, 32 after start-up
  kPendingText = 20,     // -G: 'G', the next argument is text
  kPendingEnv = 21,      // -E: 'E', the next text names a variable
  kOverwrite = 22,       // -O: 'O'
  kFunctions = 23,       // -K: 'K'
  kSelect = 24,          // -#: '#'
  kSelectMode = 25,      // 'R','0','L','O','E','I','J' or 'S' (list)
  kStopOnError = 26,     // -S: 'S'
  kResetMode = 27,       // -K:RM / -K:RF: 'M' or 'F'
  kWildcardChange = 28,  // -W: 'W'
  kWildcardByte = 29,    // -W[:x]: any byte, 32 after start-up
  kHelpPage = 30,        // '1','2','3','A','P','V'
  kCreate = 31,          // -B:C / -T:C: 'C'
  kOutputPending = 32,   // -$: '$'; after parsing: output mode is on
  kNoIntelligent = 33,   // -~: '~' (forced by -$)
  kPause = 34,           // -P: 'P'
  kAmpGiven = 35,        // -&: '&'
  kAmpCase = 36,         // -&[:a]: 'C','L','U'; 0 when -& not given
  kOutputMode = 37,      // -$[:m]: '$','F','A','B'
  kLoadSearch = 38,      // -L for <search>: 'L', then a load status
  kLoadNew = 39,         // -L for <new>: 'L', then a load status
  kLineSub = 40,         // -D:P / -D:L / -D:R: 'P','L','R'
  kSlotCount = 41,
};

// The letters that the generic letter rule of the parser stores into the
// slot of the same position (0 = slot has a dedicated handler only).
extern const char kLetterTable[40];

// -#:a,a,a: up to 10 positive match numbers.
struct MatchList {
  static constexpr int kCapacity = 10;
  int32_t entries[kCapacity] = {};
  int32_t last = -1;  // index of the last entry, -1 when empty
};

// One -K entry: a mode (digit value 0-9 or the code of 'H','C','G','L','I')
// and the byte it acts on, case kept as typed.
struct SpecialFunction {
  int32_t mode = 0;
  uint8_t character = 0;
};

// -K:mC,mC,...  Invariant: every mode-6 entry stands ahead of all others.
struct SpecialFunctionList {
  static constexpr int kCapacity = 10;
  SpecialFunction entries[kCapacity];
  int32_t last = -1;          // index of the last entry, -1 when empty
  int32_t last_mode6 = -1;    // index of the last mode-6 entry, -1 if none
  bool random_modes = false;  // an entry has mode 1-5, 'H' or 'I'

  int32_t size() const { return last + 1; }
  int32_t mode6_count() const { return last_mode6 + 1; }
};

// The outcome of a -L text's load, as kLoadSearch and kLoadNew store it.
enum class LoadStatus : uint8_t {
  kInBuffer = 0,      // loaded into the text's buffer
  kInBlock = 'L',     // asked for; once loaded, in a block of its own
  kNotFound = '1',    // cannot be opened
  kNoMemory = '3',    // no block for it
  kBadSize = '4',     // empty, too big, or its size changed since
  kUnreadable = '5',  // cannot be measured or read
  kNoName = '6',      // -L without a file name
};

// What the switches ask for, as readers outside the parser see them. The
// enumerators' values are the characters the slots store.

// -D and its forms (kLineMode, kLineSub).
enum class LineMode : uint8_t {
  kOff = 0,
  kWhole = 'D',      // -D: the whole line
  kKeepEmpty = 'P',  // -D:P: an emptied line keeps its break
  kKeepLeft = 'L',   // -D:L: the line up to the match
  kKeepRight = 'R',  // -D:R: the line from the match on
};

// -M, -U (kLineFilter).
enum class LineFilter : uint8_t {
  kAll = 0,
  kModifiedOnly = 'M',    // -M: only lines with an acted-on match
  kUnmodifiedOnly = 'U',  // -U: only lines without a match
};

// -I, -A (kInsertAppend): where the new text goes at a match.
enum class Placement : uint8_t {
  kReplace = 0,
  kBefore = 'I',  // -I: inserted before the match
  kAfter = 'A',   // -A: appended after it
};

// -B, -T (kAddMode): the text added to a file without an acted-on match.
enum class AddMode : uint8_t {
  kNone = 0,
  kAtStart = 'B',  // -B
  kAtEnd = 'T',    // -T
};

// -# and its forms (kSelect, kSelectMode): which matches are acted on.
enum class Selection : uint8_t {
  kAll = 0,             // without -#
  kCount = '#',         // -# alone: all, counting the matches found
  kList = 'S',          // -#:n,n,...
  kOdd = 'O',           // -#:O
  kEven = 'E',          // -#:E
  kAllButFirst = 'I',   // -#:I
  kAllButLast = 'J',    // -#:J
  kLast = 'L',          // -#:L
  kReportOnly = '0',    // -#:0
  kReportRepeat = 'R',  // -#:R
};

// -& and its forms (kAmpCase): the case of the matched text that '&'
// stands for.
enum class AmpCase : uint8_t {
  kAsFound = 0,
  kAsTyped = 'C',  // -&: the search text as typed
  kLower = 'L',    // -&:L
  kUpper = 'U',    // -&:U
};

// -$ and its forms (kOutputMode).
enum class OutputForm : uint8_t {
  kInPlace = 0,            // without -$
  kDirectory = '$',        // -$: into a directory, one file each
  kFile = 'F',             // -$:F: one output file, the last result
  kAppendFile = 'A',       // -$:A: one output file, every result appended
  kAppendDirectory = 'B',  // -$:B: a directory, each result appended
};

// -K:RM, -K:RF (kResetMode).
enum class Reset : uint8_t {
  kNone = 0,
  kPerMatch = 'M',
  kPerFile = 'F',
};

// True for the two statuses of a text that loaded.
inline bool Loaded(LoadStatus status) {
  return status == LoadStatus::kInBuffer || status == LoadStatus::kInBlock;
}

struct Settings {
  Settings();
  Settings(const Settings&) = delete;
  Settings& operator=(const Settings&) = delete;

  uint8_t& operator[](Slot s) { return slots[s]; }
  uint8_t operator[](Slot s) const { return slots[s]; }

  int verbosity() const { return slots[kVerbosity] - '0'; }

  LineMode line_mode() const {  // -D
    if (slots[kLineMode] != 'D') return LineMode::kOff;
    if (slots[kLineSub] == 0) return LineMode::kWhole;
    return static_cast<LineMode>(slots[kLineSub]);
  }
  LineFilter line_filter() const {  // -M, -U
    return static_cast<LineFilter>(slots[kLineFilter]);
  }
  Placement placement() const {  // -I, -A
    return static_cast<Placement>(slots[kInsertAppend]);
  }
  AddMode add_mode() const {  // -B, -T
    return static_cast<AddMode>(slots[kAddMode]);
  }
  Selection selection() const {  // -#
    if (slots[kSelect] != '#') return Selection::kAll;
    if (slots[kSelectMode] == 0) return Selection::kCount;
    return static_cast<Selection>(slots[kSelectMode]);
  }
  bool counts_matches() const { return slots[kSelect] == '#'; }  // -#
  AmpCase amp_case() const {                                     // -&
    return static_cast<AmpCase>(slots[kAmpCase]);
  }
  Reset reset() const { return static_cast<Reset>(slots[kResetMode]); }
  char output_letter() const { return static_cast<char>(slots[kOutputMode]); }
  OutputForm output_form() const {  // -$
    if (!output_mode()) return OutputForm::kInPlace;
    return static_cast<OutputForm>(slots[kOutputMode]);
  }
  bool recurse() const { return slots[kRecurse] == 'R'; }  // -R
  bool help() const { return slots[kHelp] == 'H'; }        // -H
  char help_page() const { return static_cast<char>(slots[kHelpPage]); }
  bool case_sensitive() const { return slots[kCaseSensitive] == 'C'; }
  bool start_anchor() const { return slots[kStartAnchor] == '#'; }
  bool end_anchor() const { return slots[kEndAnchor] == '%'; }
  bool whole_line_amp() const { return slots[kWholeLineAmp] == 'X'; }  // -X
  bool apostrophes() const { return slots[kApostrophes] == '\''; }     // -'
  bool pad() const { return slots[kPad] == 'N'; }                      // -N
  uint8_t pad_byte() const { return slots[kPadByte]; }
  bool overwrite() const { return slots[kOverwrite] == 'O'; }        // -O
  bool functions_given() const { return slots[kFunctions] == 'K'; }  // -K
  bool stop_on_error() const { return slots[kStopOnError] == 'S'; }  // -S
  bool wildcard_change() const { return slots[kWildcardChange] == 'W'; }
  uint8_t wildcard_byte() const { return slots[kWildcardByte]; }  // -W:x
  bool create() const { return slots[kCreate] == 'C'; }           // -B:C, -T:C
  // Unchanged stretches may be passed over in place (not -~, not -$).
  bool intelligent_writing() const { return slots[kNoIntelligent] != '~'; }
  bool pause() const { return slots[kPause] == 'P'; }  // -P
  // --sync: a file's result is on the disk before the run goes on.
  bool durable() const { return sync; }
  // --diff: nothing is written; each change is shown as a unified diff.
  bool shows_diff() const { return diff; }
  // The special characters, 0 when disabled: -1 the wildcard, -2 the
  // matched text.
  uint8_t wildcard() const { return specials[1]; }
  uint8_t amp() const { return specials[2]; }
  bool output_mode() const { return slots[kOutputPending] == '$'; }
  // -$ or -$:B: results go to an output directory (not a single file).
  bool output_directory() const {
    return slots[kOutputMode] == '$' || slots[kOutputMode] == 'B';
  }
  bool report_only() const {
    return slots[kSelectMode] == '0' || slots[kSelectMode] == 'R';
  }

  LoadStatus search_load() const {
    return static_cast<LoadStatus>(slots[kLoadSearch]);
  }
  LoadStatus new_load() const {
    return static_cast<LoadStatus>(slots[kLoadNew]);
  }

  // The -1..-4 special character n (1 to 4): 0 when disabled.
  uint8_t special(int n) const { return specials[n]; }

  // SearchText and NewText: bytes and explicit length. A -L text larger
  // than kMaxText lives in a block of its own, otherwise in its buffer.
  char* search_text() {
    return search_block.empty() ? search_buffer : search_block.data();
  }
  const char* search_text() const {
    return search_block.empty() ? search_buffer : search_block.data();
  }
  char* new_text() { return new_block.empty() ? new_buffer : new_block.data(); }
  const char* new_text() const {
    return new_block.empty() ? new_buffer : new_block.data();
  }
  bool new_text_in_block() const { return !new_block.empty(); }

  uint8_t slots[kSlotCount] = {};
  uint8_t specials[5] = {0, '@', '&', '#', '!'};  // index 1..4
  MatchList match_list;
  SpecialFunctionList functions;

  bool sync = false;  // --sync
  bool diff = false;  // --diff
  // --color=auto|always|never: 'A' (also when not given), 'Y' or 'N'.
  char diff_color = 'A';

  uint32_t search_length = 0;
  uint32_t new_length = 0;

  // The zero-filled 262-byte buffers of the run. Each copy into one keeps
  // at most kMaxText bytes, so the last byte stays NUL.
  char filespec[kBufferSize] = {};       // <filespec>, upper-cased
  char search_buffer[kBufferSize] = {};  // <search>, or its -L file name
  char new_buffer[kBufferSize] = {};     // <new>, or its -L file name
  char output_name[kBufferSize] = {};    // the -$ output directory or file
  char split_spec[kBufferSize] = {};     // copy of <filespec> to split

  // The -L file names, kept for load-failure messages and reloads.
  char search_file[kBufferSize] = {};
  char new_file[kBufferSize] = {};

  // Blocks for -L texts larger than kMaxText bytes.
  std::vector<char> search_block;
  std::vector<char> new_block;
};

// Copies at most kMaxText bytes of the NUL-terminated |source| into the
// kBufferSize-byte |dest| and terminates it.
void CopyBounded(char* dest, const char* source);

}  // namespace swu

#endif  // SWU_CLI_SETTINGS_H_
