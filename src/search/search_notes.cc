// Comparing matches with the search text, and the literal probe.

#include "search/search_notes.h"

#include <algorithm>

namespace swu {

namespace {

uint8_t Lower(uint8_t b) { return b >= 'A' && b <= 'Z' ? b + 0x20 : b; }

bool IsLetter(uint8_t b) { return Lower(b) >= 'a' && Lower(b) <= 'z'; }

}  // namespace

CaseCompare::CaseCompare(const Settings& settings)
    : text_(reinterpret_cast<const uint8_t*>(settings.search_text())),
      length_(settings.search_length),
      wildcard_(settings.wildcard()) {
  if (settings.case_sensitive()) return;
  applies_ = std::any_of(text_, text_ + length_, IsLetter);
}

bool CaseCompare::Differs(const uint8_t* found) const {
  for (int64_t i = 0; i < length_; ++i) {
    if (found[i] != text_[i] && (wildcard_ == 0 || text_[i] != wildcard_))
      return true;
  }
  return false;
}

LiteralProbe::LiteralProbe(const Settings& settings)
    : case_sensitive_(settings.case_sensitive()) {
  bool start = settings.start_anchor() && settings.special(3) != 0;
  bool end = settings.end_anchor() && settings.special(4) != 0;
  applies_ = start || end;
  if (start) text_ += static_cast<char>(settings.special(3));
  text_.append(settings.search_text(), settings.search_length);
  if (end) text_ += static_cast<char>(settings.special(4));
}

bool LiteralProbe::FoundIn(const uint8_t* data, int64_t size) const {
  const uint8_t* text = reinterpret_cast<const uint8_t*>(text_.data());
  const uint8_t* text_end = text + text_.size();
  const uint8_t* end = data + size;
  if (case_sensitive_) return std::search(data, end, text, text_end) != end;
  return std::search(data, end, text, text_end, [](uint8_t a, uint8_t b) {
           return Lower(a) == Lower(b);
         }) != end;
}

}  // namespace swu
