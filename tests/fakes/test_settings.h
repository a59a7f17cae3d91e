// Fills a Settings record as the parser leaves it, for engine tests:
// texts, anchors and switches written as on a command line
// ("-D:P -#:2,4 -&:U -N:46 -K:6~").

#ifndef SWU_TESTS_FAKES_TEST_SETTINGS_H_
#define SWU_TESTS_FAKES_TEST_SETTINGS_H_

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "cli/settings.h"

namespace swu {

// Stores |text| as the search text; a leading '#' and a trailing '!' are
// taken as anchors, as the parser does.
inline void SetSearch(Settings* s, std::string text) {
  if (!text.empty() && text[0] == '#') {
    (*s)[kStartAnchor] = '#';
    text.erase(0, 1);
  }
  if (!text.empty() && text.back() == '!') {
    (*s)[kEndAnchor] = '%';
    text.pop_back();
  }
  if (text.size() > static_cast<size_t>(kMaxText)) {
    s->search_block.assign(text.begin(), text.end());
  } else {
    memset(s->search_buffer, 0, sizeof(s->search_buffer));
    memcpy(s->search_buffer, text.data(), text.size());
  }
  s->search_length = static_cast<uint32_t>(text.size());
}

inline void SetNew(Settings* s, const std::string& text) {
  if (text.size() > static_cast<size_t>(kMaxText)) {
    s->new_block.assign(text.begin(), text.end());
  } else {
    memset(s->new_buffer, 0, sizeof(s->new_buffer));
    memcpy(s->new_buffer, text.data(), text.size());
  }
  s->new_length = static_cast<uint32_t>(text.size());
}

inline void ApplySwitch(Settings* s, const std::string& sw) {
  std::string name = sw.substr(1);
  std::string value;
  size_t colon = name.find(':');
  if (colon != std::string::npos) {
    value = name.substr(colon + 1);
    name = name.substr(0, colon);
  }
  char c = name[0];
  Settings& t = *s;
  switch (c) {
    case 'C': t[kCaseSensitive] = 'C'; break;
    case 'D':
      t[kLineMode] = 'D';
      if (!value.empty()) t[kLineSub] = static_cast<uint8_t>(value[0]);
      break;
    case 'U':
    case 'M': t[kLineFilter] = static_cast<uint8_t>(c); break;
    case 'A':
    case 'I': t[kInsertAppend] = static_cast<uint8_t>(c); break;
    case 'X': t[kWholeLineAmp] = 'X'; break;
    case 'O': t[kOverwrite] = 'O'; break;
    case '~': t[kNoIntelligent] = '~'; break;
    case '%': t[kEndAnchor] = '%'; break;
    case 'N':
      t[kPad] = 'N';
      if (!value.empty()) t[kPadByte] = static_cast<uint8_t>(atoi(value.c_str()));
      break;
    case 'W':
      t[kWildcardChange] = 'W';
      if (!value.empty()) t[kWildcardByte] = static_cast<uint8_t>(atoi(value.c_str()));
      break;
    case '&':
      t[kAmpGiven] = '&';
      t[kAmpCase] = value.empty() ? 'C' : static_cast<uint8_t>(value[0]);
      break;
    case 'B':
    case 'T':
      t[kAddMode] = static_cast<uint8_t>(c);
      if (value == "C") t[kCreate] = 'C';
      break;
    case '$':
      t[kOutputPending] = '$';
      t[kNoIntelligent] = '~';
      t[kOutputMode] = value.empty() ? '$' : static_cast<uint8_t>(value[0]);
      break;
    case '#':
      t[kSelect] = '#';
      if (value.empty()) break;
      if (value[0] >= '1' && value[0] <= '9') {
        t[kSelectMode] = 'S';
        std::stringstream list(value);
        std::string number;
        while (std::getline(list, number, ',')) {
          t.match_list.entries[++t.match_list.last] = atoi(number.c_str());
        }
      } else {
        t[kSelectMode] = static_cast<uint8_t>(value[0]);
      }
      break;
    case '1':
    case '2':
    case '3':
    case '4': {
      int n = c - '0';
      if (value.empty()) {
        t[static_cast<Slot>(kDisable1 + n - 1)] = static_cast<uint8_t>(c);
        t.specials[n] = 0;
      } else {
        t.specials[n] = static_cast<uint8_t>(value[0]);
      }
      break;
    }
    case 'K': {
      // -K:6~ (mode then character); mode-6 entries go first.
      t[kFunctions] = 'K';
      SpecialFunctionList& list = t.functions;
      int mode = value[0] >= '0' && value[0] <= '9' ? value[0] - '0' : value[0];
      SpecialFunction entry{mode, static_cast<uint8_t>(value[1])};
      list.entries[++list.last] = entry;
      if (mode == 6) {
        std::swap(list.entries[list.last], list.entries[list.last_mode6 + 1]);
        ++list.last_mode6;
      }
      break;
    }
    case '\'': t[kApostrophes] = '\''; break;
    default: break;
  }
}

// Applies switches separated by spaces, after the start-up defaults.
inline void Configure(Settings* s, const std::string& switches) {
  (*s)[kPadByte] = ' ';
  (*s)[kWildcardByte] = ' ';
  std::stringstream words(switches);
  std::string word;
  while (words >> word) ApplySwitch(s, word);
}

}  // namespace swu

#endif  // SWU_TESTS_FAKES_TEST_SETTINGS_H_
