// The parser's own view of a parse's settings, for the command-line tests
// that check the bytes it stores.

#ifndef SWU_TESTS_CLI_SLOTS_OF_H_
#define SWU_TESTS_CLI_SLOTS_OF_H_

#include "cli/slots.h"

namespace swu {

// The slots of the settings that |parsed| (a pointer to Parsed) holds.
template <typename P>
SettingsWriter Slots(const P& parsed) {
  return SettingsWriter(&parsed->s());
}

}  // namespace swu

#endif  // SWU_TESTS_CLI_SLOTS_OF_H_
