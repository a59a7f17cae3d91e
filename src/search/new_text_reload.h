// Reads the -L file of the new text again, on a stream of its own, so that
// a -K reset can start from the file's bytes. The output stream of the file
// being processed is not touched.
//
// Tested by tests/search/new_text_reload_test.cc.

#ifndef SWU_SEARCH_NEW_TEXT_RELOAD_H_
#define SWU_SEARCH_NEW_TEXT_RELOAD_H_

#include "cli/settings.h"
#include "platform/platform.h"

namespace swu {

// Reads the file named by settings->new_file into the new text's storage.
// The file must still hold exactly new_length bytes. On success returns
// true and leaves slot 39 as it was. On failure records '1' (cannot be
// opened), '4' (its size changed) or '5' (cannot be positioned or read) in
// slot 39 and returns false; the new text may then be partly overwritten.
bool ReloadNewText(Settings* settings, Platform* platform);

}  // namespace swu

#endif  // SWU_SEARCH_NEW_TEXT_RELOAD_H_
