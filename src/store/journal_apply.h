// Applying a complete journal to its file: the one step that writes a file
// in place. The records go to their places, then the length is set. It can
// be repeated any number of times, after any part of an earlier attempt,
// and ends with the same file: so a rewrite that a process left half done
// is finished by applying its journal again.
//
// Before each batch of writes and before the length is set, the file's
// length must be one the rewrite explains (the original's or the
// result's): a file another program cut short or lengthened meanwhile is
// not written further, so no hole is ever filled with the rest of a result.
// The caller then reads the result back (HoldsResult in journal_proof.h),
// which checks its length once more.
//
// Tested by tests/store/journal_test.cc

#ifndef SWU_STORE_JOURNAL_APPLY_H_
#define SWU_STORE_JOURNAL_APPLY_H_

#include <cstdint>

#include "platform/file.h"

namespace swu {

enum class Applied {
  kDone,         // the file is the result
  kNotStarted,   // nothing of the file changed: a longer result had no room
  kFailed,       // a write failed part way; the journal can still finish it
  kFileChanged,  // another program changed the file's length meanwhile
};

// Applies the records of the complete journal open as |journal|, which
// start at |records_begin|, to |file|, whose length as loaded was
// |original_size|, and makes it |result_size| bytes long. |original|, when
// not null, holds the file's bytes as loaded, which spares reading the
// unchanged bytes between records from the file. With |durable| the file
// is flushed to the disk before this returns kDone.
Applied ApplyJournal(File* journal, int64_t records_begin, File* file,
                     int64_t original_size, int64_t result_size, bool durable,
                     const char* original = nullptr);

}  // namespace swu

#endif  // SWU_STORE_JOURNAL_APPLY_H_
