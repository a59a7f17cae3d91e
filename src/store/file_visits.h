// The files a run has processed, known by device and file number, so that
// a file reached by several names (hard links, or symbolic links inside
// the tree) is processed once, under the first name the walk or the
// filespec reaches. A second pass would apply the change to the first
// pass's result, and --diff would show one change per name.
//
// The identity is the one the load takes from the open file, so a visit
// costs one lookup in an open-addressed table and no call to the system.
//
// Tested by the run_links.cases end-to-end cases and tests/e2e/differential.py.

#ifndef SWU_STORE_FILE_VISITS_H_
#define SWU_STORE_FILE_VISITS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/file.h"

namespace swu {

class FileVisits {
 public:
  // Starts the next name of the file set.
  void StartName() { current_ = Key(); }

  // True when |file| was not processed under an earlier name; it is then
  // remembered as this name's file, and asking again for the same name
  // (a file loaded again after its journal was recovered) stays true.
  // A file without a number to tell it by (device and file number 0) is
  // always new.
  bool FirstVisit(const FileIdentity& file);

 private:
  struct Key {
    uint64_t device = 0;
    uint64_t file_number = 0;
    bool operator==(const Key& other) const {
      return device == other.device && file_number == other.file_number;
    }
  };
  // Adds |key| (never the empty key); false when it was there already.
  bool Insert(const Key& key);
  void Grow();

  // The keys seen: a power of two of slots, the empty key in a free one,
  // never more than half of them used.
  std::vector<Key> slots_;
  size_t used_ = 0;
  Key current_;  // the file of the name being processed
};

}  // namespace swu

#endif  // SWU_STORE_FILE_VISITS_H_
