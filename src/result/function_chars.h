// The -K special function characters: marked bytes of the new text become
// quotes, control characters, '%', '<', '>' or pseudo-random digits and
// letters; mode-6 characters are turned into line breaks by the emitter when it
// writes. Also the -' change of apostrophes into double quotes.

#ifndef SWU_RESULT_FUNCTION_CHARS_H_
#define SWU_RESULT_FUNCTION_CHARS_H_

#include <string>

#include "base/random.h"
#include "cli/settings.h"

namespace swu {

// Rewrites |text| in place, byte by byte, by the -K list |list|; the
// length is unchanged.
void ApplyFunctionChars(const SpecialFunctionList& list, Random* random,
                        std::string* text);

// Turns every '\'' of |text| into '"' (the -' change).
void ChangeApostrophes(std::string* text);

// True when -K:RM (|per_match|) or -K:RF asks for fresh characters: the
// reset letter is given, the list has entries and a random mode.
bool ResetWanted(const Settings& settings, bool per_match);

}  // namespace swu

#endif  // SWU_RESULT_FUNCTION_CHARS_H_
