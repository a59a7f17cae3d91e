// The names the store reserves beside a file, made and recognised in one
// place so that the writer and every sweeper agree on what is whose:
//   .swu-journal-<16 hex digits>    the journal of the file with that number
//   .swu-journal-<16 hex>-<1 to 3>  the same, where that name was taken by
//                                   something the store may not use
//   .swu-journal-s<16 hex digits>   a spare: an emptied journal file kept
//                                   for the directory's next rewrite
//   .swu-journal-p<16 hex digits>   a journal being made, under a private
//                                   name until it is locked
// The leading '.' keeps them out of every file enumeration.

#ifndef SWU_STORE_JOURNAL_NAMES_H_
#define SWU_STORE_JOURNAL_NAMES_H_

#include <cstdint>
#include <string>

#include "platform/file_system.h"
#include "platform/system_rules.h"

namespace swu {

constexpr char kJournalPrefix[] = ".swu-journal-";

enum class JournalName {
  kNone,     // not a name the store reserves
  kJournal,  // a file's journal
  kSpare,    // a spare journal file
  kPrivate,  // a journal not yet named
};

// What the name |name| (without a directory) is.
JournalName ParseJournalName(const std::string& name);

// The most other names a journal tries when its own is taken.
constexpr int kJournalAlternates = 3;

// The journal's name for the file numbered |file_number|, in |directory|
// (ending in a separator, or ""); |alternate| 1 to kJournalAlternates
// gives the other names.
std::string JournalPathIn(const std::string& directory, uint64_t file_number,
                          int alternate = 0);
// A spare's, or a private journal's, name with the number |number|.
std::string SparePathIn(const std::string& directory, uint64_t number);
std::string PrivatePathIn(const std::string& directory, uint64_t number);

// The journal's path for the file |path| that is |identity|.
std::string JournalPathFor(const std::string& path,
                           const FileIdentity& identity,
                           const SystemRules& rules);

// |path| from the root: as it is where it is absolute, else under the
// current directory.
std::string AbsolutePathOf(const std::string& path, FileSystem* files,
                           const SystemRules& rules);

// The directory part of |path| with its separator ("" for none).
std::string DirectoryPartOf(const std::string& path, const SystemRules& rules);

// True when |name| can be a file's name in the journal's own directory:
// not empty, no separator of |rules|, not "." or "..", and no control
// character, so that it names nothing outside the directory and prints as
// one line.
bool IsPlainName(const std::string& name, const SystemRules& rules);

}  // namespace swu

#endif  // SWU_STORE_JOURNAL_NAMES_H_
