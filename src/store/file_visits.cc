// Remembering the files a run has processed.

#include "store/file_visits.h"

#include <cassert>

namespace swu {

namespace {

size_t Slot(uint64_t device, uint64_t file_number, size_t mask) {
  uint64_t h =
      (file_number ^ (device << 32 | device >> 32)) * 0x9E3779B97F4A7C15ull;
  return static_cast<size_t>(h ^ (h >> 29)) & mask;
}

}  // namespace

bool FileVisits::Insert(const Key& key) {
  assert(!(key == Key()));
  if (2 * (used_ + 1) > slots_.size()) Grow();
  size_t mask = slots_.size() - 1;
  for (size_t at = Slot(key.device, key.file_number, mask);;
       at = (at + 1) & mask) {
    if (slots_[at] == key) return false;
    if (slots_[at] == Key()) {
      slots_[at] = key;
      ++used_;
      return true;
    }
  }
}

void FileVisits::Grow() {
  std::vector<Key> old;
  old.swap(slots_);
  slots_.assign(old.empty() ? 1024 : 2 * old.size(), Key());
  used_ = 0;
  for (const Key& key : old) {
    if (!(key == Key())) Insert(key);
  }
}

bool FileVisits::FirstVisit(const FileIdentity& file) {
  Key key;
  key.device = file.device;
  key.file_number = file.file_number;
  if (key == Key()) return true;     // Nothing to tell it by.
  if (key == current_) return true;  // The same name, loaded again.
  if (!Insert(key)) return false;
  current_ = key;
  return true;
}

}  // namespace swu
