// The note that makes an append to a -$:A or -$:B output all or nothing.
//
// Before a file's result is appended, a small note beside the output
// records the output's identity and its length before the append; the
// note is created new (never through a link, mode 0600) and stays locked
// while its run appends. Once the append is complete, or cut back after a
// failure, the note goes. A run killed meanwhile leaves it: the next run
// that appends to that output first cuts the output back to the noted
// length, so the output is as it was before the killed run's append, never
// part of it. A note is trusted only when the open file is a regular one
// of the process's own user with a single name, that no live run holds,
// whose checksum is right and which names this very output.
//
// Tested by tests/e2e/output_safety_test.py.

#ifndef SWU_STORE_APPEND_NOTE_H_
#define SWU_STORE_APPEND_NOTE_H_

#include <cstdint>
#include <memory>
#include <string>

#include "base/status.h"
#include "platform/file_system.h"
#include "platform/system_rules.h"

namespace swu {

// The held note of one append.
struct AppendNote {
  std::string path;              // "" while there is none
  std::unique_ptr<File> stream;  // open and locked while the append runs
};

// Cuts the output |output_path|, open to append as |output|, back to the
// length a note left beside it records, and deletes the note. Returns
// true when there was no note, or it was dealt with (cut back, or deleted
// as one that names no append of this output); false when the output
// could not be cut back, or a note of its name cannot be trusted or is
// held by a live run: nothing may be appended then.
bool CutBackLeftAppend(FileSystem* files, const SystemRules& rules,
                       const std::string& output_path, File* output);

// --recover: acts on the note |note_path| that a killed run left: cuts
// its output (named in the note, beside it) back to the noted length and
// deletes the note, storing the output's path in *output_path (the
// note's own where none is known). Returns kOriginalKept when the output
// is as it was before the killed append (a torn note: nothing was
// appended); otherwise why the note is kept: kInUse (a live run holds
// it), kForeign (not the user's own), kNoFile (no such output),
// kFileChanged (the output was replaced or cut since), kFailed.
Recovery RecoverAppendNote(FileSystem* files, const SystemRules& rules,
                           const std::string& note_path,
                           std::string* output_path);

// Creates and locks the note of an append to |output_path|, open as
// |output| and |base| bytes long; with |durable| it is on the disk before
// this returns. On success stores it in *note and returns true; on
// failure returns false and leaves no file behind.
bool PlaceAppendNote(FileSystem* files, const SystemRules& rules,
                     const std::string& output_path, File* output, int64_t base,
                     bool durable, AppendNote* note);

}  // namespace swu

#endif  // SWU_STORE_APPEND_NOTE_H_
