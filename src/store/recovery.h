// Recovering a rewrite that a process left unfinished: a journal found
// beside a file is applied (the rewrite is finished) when it is complete
// and the file is in a state it explains, removed when it is incomplete
// (the file was never written), and otherwise left with its file as they
// are. A journal that another live run holds is never taken.
//
// Tested by tests/result/result_writer_test.cc and tests/e2e/crash_test.py

#ifndef SWU_STORE_RECOVERY_H_
#define SWU_STORE_RECOVERY_H_

#include <string>

#include "base/status.h"
#include "platform/platform.h"

namespace swu {

// Deals with the journal at |journal_path| of |file| (open for update and
// locked by the caller), whose identity is |identity|. With |durable|
// a finished file is flushed to the disk before its journal is removed.
Recovery RecoverJournal(Platform* platform, const std::string& journal_path,
                        Stream* file, const FileIdentity& identity,
                        bool durable);

// Opens and locks the file |path| and deals with its journal, if it has
// one. Returns kNothing when it has none.
Recovery RecoverFile(Platform* platform, const std::string& path, bool durable);

// Deals with the journal at |journal_path|, whose file is named in it.
// Stores that file's path in *file_path (the journal's own path when the
// journal names none).
Recovery RecoverJournalAt(Platform* platform, const std::string& journal_path,
                          bool durable, std::string* file_path);

// Deals with the spare journal files (see journal_writer.h) that killed
// runs left in |directory| (ending in a separator, or ""): an empty one is
// deleted, one that still holds a journal finishes its rewrite. Those a
// live run holds stay.
void ClearDeadSpares(Platform* platform, const std::string& directory);

}  // namespace swu

#endif  // SWU_STORE_RECOVERY_H_
