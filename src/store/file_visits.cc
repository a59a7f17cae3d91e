// Remembering the files a run has processed.

#include "store/file_visits.h"

namespace swu {

bool FileVisits::FirstVisit(const FileIdentity& file) {
  Key key;
  key.device = file.device;
  key.file_number = file.file_number;
  if (key == Key()) return true;     // Nothing to tell it by.
  if (key == current_) return true;  // The same name, loaded again.
  if (!seen_.insert(key).second) return false;
  current_ = key;
  return true;
}

}  // namespace swu
