// The one run-wide record of everything the command line asked for: what
// each switch asked for, the four special characters, the match list of -#,
// the special function list of -K, and the texts and names the run works
// with. The parser fills it once, through its SettingsWriter
// (cli/slots.h); the rest of the program reads it through the typed
// accessors below.

#ifndef SWU_CLI_SETTINGS_H_
#define SWU_CLI_SETTINGS_H_

#include <cstdint>
#include <cstring>
#include <string>
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

// True for a -K mode whose characters come from the run's random number
// generator: 1 to 5, 'H' and 'I'.
inline bool IsRandomMode(int32_t mode) {
  return (mode >= 1 && mode <= 5) || mode == 'H' || mode == 'I';
}

// -K:mC,mC,...  Invariant: every mode-6 entry stands ahead of all others.
struct SpecialFunctionList {
  static constexpr int kCapacity = 10;
  SpecialFunction entries[kCapacity];
  int32_t last = -1;          // index of the last entry, -1 when empty
  int32_t last_mode6 = -1;    // index of the last mode-6 entry, -1 if none
  bool random_modes = false;  // an entry's mode is an IsRandomMode one

  int32_t size() const { return last + 1; }
  int32_t mode6_count() const { return last_mode6 + 1; }
  // The invariant above, for the asserts of the writer and the reader.
  bool ModeSixLeads() const {
    if (last_mode6 > last) return false;
    for (int32_t i = 0; i <= last; ++i) {
      if ((entries[i].mode == 6) != (i <= last_mode6)) return false;
    }
    return true;
  }
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

// --color: whether the diff is coloured (auto: when standard output is a
// terminal).
enum class DiffColor { kAuto, kAlways, kNever };

struct Settings {
  Settings();
  Settings(const Settings&) = delete;
  Settings& operator=(const Settings&) = delete;

  int verbosity() const;              // -V: 0 to 3
  LineMode line_mode() const;         // -D
  LineFilter line_filter() const;     // -M, -U
  Placement placement() const;        // -I, -A
  AddMode add_mode() const;           // -B, -T
  Selection selection() const;        // -#
  bool counts_matches() const;        // -#
  AmpCase amp_case() const;           // -&
  Reset renewal() const;              // -K:RM, -K:RF
  char output_letter() const;         // -$: '$', 'F', 'A' or 'B'
  OutputForm output_form() const;     // -$
  bool recurse() const;               // -R
  bool help() const;                  // -H
  char help_page() const;             // -H:x, '1' by default
  bool case_sensitive() const;        // -C
  bool start_anchor() const;          // a leading '#'
  bool end_anchor() const;            // a trailing '%'
  bool whole_line_amp() const;        // -X
  bool apostrophes() const;           // -'
  bool pad() const;                   // -N
  uint8_t pad_byte() const;           // -N:x, 32 by default
  bool overwrite() const;             // -O
  bool functions_given() const;       // -K
  bool stop_on_error() const;         // -S
  bool wildcard_change() const;       // -W
  uint8_t wildcard_byte() const;      // -W:x, 32 by default
  bool creates_missing_file() const;  // -B:C, -T:C
  // Unchanged stretches may be passed over in place (not -~, not -$).
  bool intelligent_writing() const;
  bool pauses_at_end() const;  // -P
  // --sync: a file's result is on the disk before the run goes on.
  bool durable() const { return sync; }
  // --diff: nothing is written; each change is shown as a unified diff.
  bool shows_diff() const { return diff; }
  // The special characters, 0 when disabled: -1 the wildcard, -2 the
  // matched text.
  uint8_t wildcard() const { return specials[1]; }
  uint8_t amp() const { return specials[2]; }
  bool output_mode() const;  // -$ in any form
  // -$ or -$:B: results go to an output directory (not a single file).
  bool output_directory() const;
  bool report_only() const;        // -#:0, -#:R
  LoadStatus search_load() const;  // -L for <search>
  LoadStatus new_load() const;     // -L for <new>

  // A digest of everything that shapes a file's result (the texts, the
  // switches, the special characters): two runs with the same digest
  // make the same result of the same file.
  uint64_t ResultDigest() const;

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

  uint8_t specials[5] = {0, '@', '&', '#', '!'};  // index 1..4
  MatchList match_list;
  SpecialFunctionList functions;

  bool sync = false;  // --sync
  bool diff = false;  // --diff
  // --color=auto|always|never; auto also when not given.
  DiffColor diff_color = DiffColor::kAuto;
  bool skip_binary = false;  // --skip-binary
  bool word = false;         // --word: matches between non-word bytes
  int thread_count = 0;      // --threads N (1 to 256); 0: one per core
  // The threads a run may use: --threads, or as many as the machine has
  // cores.
  int threads() const;

  // --files-from, --files0-from: the files to process, in the order the
  // list gives them, in place of <filespec>. |list_name| is the list's
  // name ("-" for standard input), empty when neither was given.
  std::string list_name;
  char list_separator = '\n';    // '\0' for --files0-from
  bool list_unreadable = false;  // the list could not be read
  std::vector<std::string> listed_files;
  bool files_listed() const { return !list_name.empty(); }

  // The switches SWU_OPTIONS added ahead of the command line, as one
  // line; empty when it added none.
  std::string added_options;

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

 private:
  friend class SettingsWriter;  // the parser's; it alone sets the switches

  // One byte per switch, laid out as cli/slots.h says; what it holds is the
  // parser's business.
  static constexpr int kSlotBytes = 41;
  uint8_t slots_[kSlotBytes] = {};
};

// Copies at most kMaxText bytes of the NUL-terminated |source| into the
// kBufferSize-byte |dest| and terminates it.
void CopyBounded(char* dest, const char* source);

}  // namespace swu

#endif  // SWU_CLI_SETTINGS_H_
