// Applies the -K list to the new text. For each byte the first entry (in
// list order) whose character equals it and whose mode is not 6 decides the
// new byte; mode 6 is left to the emitter, which writes a line break for it. A
// random mode takes one fresh draw per byte it rewrites; no other byte
// takes one, so a given command line always yields the same characters.
//
// Tested by tests/result/function_chars_test.cc.

#include "result/function_chars.h"

#include <cstring>

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
      return false;  // Mode 6 is written as a line break by the emitter.
  }
  return true;
}

}  // namespace

void ApplyFunctionChars(const SpecialFunctionList& list, Random* random,
                        std::string* text) {
  for (char& byte : *text) {
    for (int32_t e = 0; e < list.size(); ++e) {
      const SpecialFunction& entry = list.entries[e];
      if (entry.mode == 6 || static_cast<uint8_t>(byte) != entry.character) {
        continue;
      }
      if (ApplyMode(entry.mode, random, &byte)) break;
    }
  }
}

void ChangeApostrophes(std::string* text) {
  for (char& byte : *text) {
    if (byte == '\'') byte = '"';
  }
}

bool ResetWanted(const Settings& settings, bool per_match) {
  return settings.renewal() ==
             (per_match ? Reset::kPerMatch : Reset::kPerFile) &&
         settings.functions.size() > 0 && settings.functions.random_modes;
}

}  // namespace swu
