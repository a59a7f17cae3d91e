// The -K special function characters: marked bytes of the new text become
// quotes, control characters, '%', '<', '>' or pseudo-random digits and
// letters; mode-6 characters are turned into line breaks by the emitter when it
// writes. Also the -' change of apostrophes into double quotes.

#ifndef SWU_OUTPUT_FUNCTION_CHARS_H_
#define SWU_OUTPUT_FUNCTION_CHARS_H_

#include "cli/settings.h"
#include "output/random.h"
#include "platform/platform.h"

namespace swu {

// The parser's finishing step for -K: takes NewTextMaster when a reset is
// chosen, the random flag is set and the new text lives in its buffer;
// seeds |random| with 1; applies the characters to the new text once.
void PrepareNewText(Settings* settings, Random* random);

// Rewrites the new text in place, byte by byte; the length is unchanged.
void ApplyFunctionChars(Settings* settings, Random* random);

// With -', turns every '\'' of the new text into '"'.
void ChangeApostrophes(Settings* settings);

// True when -K:RM (|per_match|) or -K:RF asks for fresh characters: the
// reset letter is given, the list has entries and a random mode.
bool ResetWanted(const Settings& settings, bool per_match);

// Restores the new text (from NewTextMaster, or by reading its -L file
// again), applies the characters and the apostrophe change again. Returns
// false when the reload failed; slot 39 then holds the reason.
bool RenewNewText(Settings* settings, Platform* platform, Random* random);

}  // namespace swu

#endif  // SWU_OUTPUT_FUNCTION_CHARS_H_
