// The parser's byte layout of the settings record, and the writer through
// which the parser alone sets it. Only src/cli/ includes this header; the
// rest of the program reads the typed accessors of Settings.
//
// A slot holds 0 while its switch has not been given, otherwise a character
// (usually the switch letter in upper case, or the value character). The
// accessors compare slots with those exact characters, so the stored
// characters are part of the contract.

#ifndef SWU_CLI_SLOTS_H_
#define SWU_CLI_SLOTS_H_

#include <cstdint>

#include "cli/settings.h"

namespace swu {

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

// The parser's hold on the slots of one Settings record. ParseState owns
// one for the record being filled.
class SettingsWriter {
 public:
  explicit SettingsWriter(Settings* settings) : settings_(settings) {}

  uint8_t& operator[](Slot s) { return settings_->slots_[s]; }
  uint8_t operator[](Slot s) const { return settings_->slots_[s]; }

 private:
  static_assert(kSlotCount == Settings::kSlotBytes, "one byte per slot");

  Settings* settings_;
};

}  // namespace swu

#endif  // SWU_CLI_SLOTS_H_
