// What the notes at the end of a run need to know about the search text:
// whether a match acted on differs in case from it (a run without -C), and
// whether the text with its anchor characters put back as plain ones
// occurs in a file (a run that found nothing, where a leading # or a
// trailing ! was meant literally). Both are asked only where a note could
// follow, so a run without one pays nothing.
//
// Tested by the run_notes.cases end-to-end cases.

#ifndef SWU_SEARCH_SEARCH_NOTES_H_
#define SWU_SEARCH_SEARCH_NOTES_H_

#include <cstdint>
#include <string>

#include "cli/settings.h"

namespace swu {

// Compares a match's bytes with the search text as typed.
class CaseCompare {
 public:
  explicit CaseCompare(const Settings& settings);

  // True when the comparison can come out different: the run ignores
  // case and the text holds a letter.
  bool applies() const { return applies_; }

  // True when the |length| bytes at |found| (a match) are not the search
  // text's, a wildcard's byte aside: in a run that ignores case only a
  // letter's case can differ.
  bool Differs(const uint8_t* found) const;

 private:
  const uint8_t* text_;
  int64_t length_;
  uint8_t wildcard_;  // 0 when disabled
  bool applies_ = false;
};

// Looks for the search text with the anchor characters the parser took
// off it (a leading -3 character, a trailing -4 character) put back.
class LiteralProbe {
 public:
  explicit LiteralProbe(const Settings& settings);

  // True when an anchor character was taken off the text.
  bool applies() const { return applies_; }

  // True when the text, all of its bytes taken literally (case ignored
  // unless -C), occurs in data[0, size).
  bool FoundIn(const uint8_t* data, int64_t size) const;

 private:
  std::string text_;
  bool case_sensitive_;
  bool applies_ = false;
};

}  // namespace swu

#endif  // SWU_SEARCH_SEARCH_NOTES_H_
