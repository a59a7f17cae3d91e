// Finishing steps, in this order: anchors, -& case, disabled special
// characters, the -K check, the report-only add and create modes and the
// split copy of the filespec. The -K characters and the -' change are made
// in <new> once the run starts (NewText::Prepare), -' after -K so that -K
// never sees the converted quotes.

#include "cli/finishing.h"

#include <cstring>

namespace swu {

namespace {

// A leading -3 character and a trailing -4 character of the search text
// are anchors: they set kStartAnchor and kEndAnchor and are removed from
// the text.
void TakeAnchors(Settings* settings) {
  Settings& s = *settings;
  SettingsWriter slots(settings);
  char* text = s.search_text();
  if (s.search_length > 0 && static_cast<uint8_t>(text[0]) == s.special(3) &&
      slots[kDisable3] != '3') {
    slots[kStartAnchor] = '#';
    memmove(text, text + 1, s.search_length - 1);
    text[--s.search_length] = '\0';
  }
  if (s.search_length > 0 &&
      static_cast<uint8_t>(text[s.search_length - 1]) == s.special(4) &&
      slots[kDisable4] != '4') {
    slots[kEndAnchor] = '%';
    text[--s.search_length] = '\0';
  }
}

void SettleSpecialCharacters(Settings* settings) {
  Settings& s = *settings;
  SettingsWriter slots(settings);
  if (slots[kAmpGiven] == 0) slots[kAmpCase] = 0;
  for (int n = 1; n <= 4; ++n) {
    if (slots[static_cast<Slot>(kDisable1 + n - 1)] != 0) s.specials[n] = 0;
  }
}

// Refuses a -K character equal to the active -2 character (it would be
// replaced by the matched text) and notes whether any mode draws random
// numbers. Returns false when the command line is refused.
bool CheckFunctions(Settings* settings) {
  Settings& s = *settings;
  SettingsWriter slots(settings);
  SpecialFunctionList& list = s.functions;
  bool refused = false;
  list.random_modes = false;
  for (int32_t i = 0; i < list.size(); ++i) {
    const SpecialFunction& entry = list.entries[i];
    if (entry.character == s.special(2) && slots[kDisable2] != '2')
      refused = true;
    if (IsRandomMode(entry.mode)) list.random_modes = true;
  }
  return !refused;
}

// -#:0 and -#:R only report: a file opened in place for reading is never
// written, so -B/-T have nothing to add their text to. Under -$ the output
// is written anyway and keeps it. A missing file is never created, in
// place or under -$ (-B:C and -T:C count as -B and -T): it holds nothing
// to count, and the run reports it as it reports any missing file.
void DropReportOnlyAdd(Settings* settings) {
  SettingsWriter slots(settings);
  if (!settings->report_only()) return;
  slots[kCreate] = 0;
  if (!settings->output_mode()) slots[kAddMode] = 0;
}

}  // namespace

void FinishCommandLine(ParseState* state) {
  Settings& settings = *state->settings;
  if (!state->failed()) TakeAnchors(&settings);
  SettleSpecialCharacters(&settings);
  if (!state->failed() && state->slots[kFunctions] == 'K' &&
      settings.new_length > 0 && !CheckFunctions(&settings)) {
    state->Fail(RunStatus::BadCommandLine);
  }
  DropReportOnlyAdd(&settings);
  CopyBounded(settings.split_spec,
              state->rules->FromTypedPath(settings.filespec).c_str());
}

}  // namespace swu
