// Recovering a rewrite that a process left unfinished. A journal is an
// instruction to overwrite a file, so it is carried out only when it is
// this user's (or the file owner's, or root's), reached without a link,
// a regular file with one name, held by no live run, complete, and when
// its proof explains every byte of the file as it is now.
//
// The decision, journal by journal:
//
//   journal                          file                 action  outcome
//   a link, not a regular file, more than one name,
//     or another user's              -                    left    kForeign
//   held by a live run               -                    left    kInUse
//   marked done (its run ended before removing it)       removed kNothing
//   incomplete                       untouched or another  removed
//   kOriginalKept incomplete                       its file, written     kept
//   kDamaged damaged (complete once)          untouched            removed
//   kOriginalKept damaged                          anything else        kept
//   kDamaged complete                         the result           removed
//   kFinished complete                         original, or part way applied,
//   read
//                                      back, removed               kFinished
//   complete                         anything else        kept    kFileChanged
//   complete                         the apply failed     kept    kFailed
//   (--discard)                      -                    removed kDiscarded
// A journal that should go but cannot be removed is kCannotRemove.
// ("Untouched": the same file number, length and time as the header.)
//
// Tested by tests/store/recovery_test.cc and tests/e2e/crash_test.py

#ifndef SWU_STORE_RECOVERY_H_
#define SWU_STORE_RECOVERY_H_

#include <cstdint>
#include <string>

#include "base/status.h"
#include "platform/file_system.h"
#include "platform/system_rules.h"

namespace swu {

// What a finished rewrite was, for a run that finds it was its own.
struct RecoveredRewrite {
  uint64_t digest = 0;  // of the texts and switches that shaped it
  int64_t acted_on = 0;
  int64_t found = 0;
  int64_t original_size = 0;
  int64_t result_size = 0;
  // The journal's own name is taken by what may not be used (another
  // user's file, a link, a FIFO): left alone, and not the file's journal.
  bool name_taken = false;
};

// Deals with the journal at |journal_path| of |file| (open for update and
// locked by the caller), whose identity is |identity|. With |durable|
// a finished file is flushed to the disk before its journal is removed.
// Stores what the journal held in *rewrite when it finished it.
Recovery RecoverJournal(FileSystem* files, const SystemRules& rules,
                        const std::string& journal_path, File* file,
                        const FileIdentity& identity, bool durable,
                        RecoveredRewrite* rewrite);

// Opens and locks the file |path| and deals with its journal, if it has
// one, under its own name or, where that is taken by what may not be used,
// under the other names. Returns kNothing when it has none.
Recovery RecoverFile(FileSystem* files, const SystemRules& rules,
                     const std::string& path, bool durable,
                     RecoveredRewrite* rewrite = nullptr);

// For a file with more than one name: true when the file itself notes a
// pending rewrite's journal (which may lie beside another of its names).
bool HasNotedJournal(FileSystem* files, const std::string& path);

// True when a pending rewrite's journal waits for the file |path|, loaded
// as |file|: beside it under its own name, or, for a file with more names,
// noted on the file itself (*noted then says so).
bool HasPendingJournal(FileSystem* files, const SystemRules& rules,
                       const std::string& path, const FileIdentity& file,
                       bool* noted);

// Opens and locks the file |path| and deals with the journal it notes;
// the note goes once the journal is dealt with, or is gone.
Recovery RecoverNoted(FileSystem* files, const SystemRules& rules,
                      const std::string& path, bool durable,
                      RecoveredRewrite* rewrite);

// Deals with the journal at |journal_path|, whose file is the one its
// header names in the journal's own directory; with |discard| removes it
// without applying it. Stores the file's path in *file_path (the
// journal's own path when it names no file fit to name).
Recovery RecoverJournalAt(FileSystem* files, const SystemRules& rules,
                          const std::string& journal_path, bool durable,
                          bool discard, std::string* file_path);

// Removes the spare and private journal files that killed runs left in
// |directory| (ending in a separator, or ""). They are never applied:
// a journal is emptied before it becomes a spare. Those a live run holds,
// and those that are not regular files with one name, stay.
void ClearDeadSpares(FileSystem* files, const SystemRules& rules,
                     const std::string& directory);

}  // namespace swu

#endif  // SWU_STORE_RECOVERY_H_
