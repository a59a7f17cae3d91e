// Applies the -K list to the new text. For each byte the first entry (in
// list order) whose character equals it and whose mode is not 6 decides the
// new byte; mode 6 is left to the emitter, which writes CR LF for it. A
// random mode takes one fresh draw per byte it rewrites; no other byte
// takes one, so a given command line always yields the same characters.
//
// Tested by tests/output/function_chars_test.cc.

#include "output/function_chars.h"

#include <cstring>

#include "search/new_text_reload.h"

namespace swu {

namespace {

// The byte a random mode makes of draw |r|.
char Alphanumeric(int r, char first_letter) {
  int k = r % 36;
  return static_cast<char>(k <= 25 ? first_letter + k : '0' + (k - 26));
}

char HexDigit(int r, char first_letter) {
  int d = r & 15;
  return static_cast<char>(d <= 9 ? '0' + d : first_letter + (d - 10));
}

// Rewrites |*byte| by |mode|. Returns false (byte untouched) for mode 6
// and for modes that have no meaning.
bool ApplyMode(int32_t mode, Random* random, char* byte) {
  switch (mode) {
    case 0:
      *byte = '"';
      break;
    case 1:
      *byte = static_cast<char>('0' + random->NextRandom() % 10);
      break;
    case 2:
      *byte = static_cast<char>('a' + random->NextRandom() % 26);
      break;
    case 3:
      *byte = static_cast<char>('A' + random->NextRandom() % 26);
      break;
    case 4:
      *byte = Alphanumeric(random->NextRandom(), 'a');
      break;
    case 5:
      *byte = Alphanumeric(random->NextRandom(), 'A');
      break;
    case 7:
      *byte = 7;
      break;
    case 8:
      *byte = 8;
      break;
    case 9:
      *byte = 0;
      break;
    case 'C':
      *byte = '%';
      break;
    case 'G':
      *byte = '>';
      break;
    case 'L':
      *byte = '<';
      break;
    case 'H':
      *byte = HexDigit(random->NextRandom(), 'a');
      break;
    case 'I':
      *byte = HexDigit(random->NextRandom(), 'A');
      break;
    default:
      return false;  // Mode 6 is written as CR LF by the emitter.
  }
  return true;
}

// Copies the new text back from NewTextMaster, or reads its -L file again
// when it lives in a block of its own. Returns false when the reload failed.
bool RestoreNewText(Settings* settings, Platform* platform) {
  if (settings->new_text_in_block()) return ReloadNewText(settings, platform);
  memcpy(settings->new_buffer, settings->new_master, settings->new_length);
  return true;
}

}  // namespace

void ApplyFunctionChars(Settings* settings, Random* random) {
  const SpecialFunctionList& list = settings->functions;
  char* text = settings->new_text();
  for (uint32_t i = 0; i < settings->new_length; ++i) {
    for (int32_t e = 0; e < list.size(); ++e) {
      const SpecialFunction& entry = list.entries[e];
      if (entry.mode == 6 || static_cast<uint8_t>(text[i]) != entry.character) {
        continue;
      }
      if (ApplyMode(entry.mode, random, &text[i])) break;
    }
  }
}

void PrepareNewText(Settings* settings, Random* random) {
  Settings& s = *settings;
  if (!s.new_text_in_block() && s[kResetMode] != 0 && s.functions.size() > 0 &&
      s.functions.random_modes) {
    // Invariant: a text that is not in a block fits its buffer.
    memcpy(s.new_master, s.new_buffer, s.new_length);
  }
  random->Seed(1);
  ApplyFunctionChars(settings, random);
}

void ChangeApostrophes(Settings* settings) {
  if (settings->slots[kApostrophes] != '\'') return;
  char* text = settings->new_text();
  for (uint32_t i = 0; i < settings->new_length; ++i) {
    if (text[i] == '\'') text[i] = '"';
  }
}

bool ResetWanted(const Settings& settings, bool per_match) {
  return settings[kResetMode] == (per_match ? 'M' : 'F') &&
         settings.functions.size() > 0 && settings.functions.random_modes;
}

bool RenewNewText(Settings* settings, Platform* platform, Random* random) {
  if (!RestoreNewText(settings, platform)) return false;
  ApplyFunctionChars(settings, random);
  // Every renewed text gets -' again, so apostrophes never reach a file
  // unconverted.
  ChangeApostrophes(settings);
  return true;
}

}  // namespace swu
