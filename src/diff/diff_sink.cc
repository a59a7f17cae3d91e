// Gathering a file's changes and widening them to whole lines.

#include "diff/diff_sink.h"

#include <algorithm>
#include <cstring>

namespace swu {

namespace {

// Finds line starts in the image. Searches forward only from where the
// last one ended, so a file of very long lines with many changes on one
// line costs one scan, not one per change.
class LineFinder {
 public:
  LineFinder(const char* image, int64_t size) : image_(image), size_(size) {}

  // The start of the line that holds |at| (the end counts as a byte of
  // the last line), looking back no further than |floor|.
  int64_t StartOf(int64_t at, int64_t floor) const {
    for (int64_t i = at; i > floor; --i) {
      if (image_[i - 1] == '\n') return i;
    }
    return floor;
  }

  // The first line start at or after |at|, or the end of the image.
  int64_t StartFrom(int64_t at) {
    if (at >= size_) return size_;
    if (at == 0 || image_[at - 1] == '\n') return at;
    if (at >= searched_from_ && at < next_start_) return next_start_;
    const void* lf = memchr(image_ + at, '\n', static_cast<size_t>(size_ - at));
    searched_from_ = at;
    next_start_ =
        lf == nullptr ? size_ : static_cast<const char*>(lf) - image_ + 1;
    return next_start_;
  }

 private:
  const char* image_;
  int64_t size_;
  int64_t searched_from_ = 0;  // the last forward search began here
  int64_t next_start_ = 0;     // and found this line start
};

}  // namespace

void DiffSink::Write(const void* data, int64_t n) {
  if (n > 0)
    text_.append(static_cast<const char*>(data), static_cast<size_t>(n));
}

void DiffSink::Unchanged(int64_t n) {
  if (n < 0) consistent_ = false;
  EndChange();
  position_ += n;
  change_at_ = position_;
  change_text_ = static_cast<int64_t>(text_.size());
}

void DiffSink::Replaced(int64_t n) {
  if (n < 0) consistent_ = false;
  position_ += n;
}

void DiffSink::Finish(int64_t size) {
  if (position_ < size) Replaced(size - position_);
  Unchanged(0);
}

void DiffSink::EndChange() {
  int64_t written = static_cast<int64_t>(text_.size()) - change_text_;
  if (position_ == change_at_ && written == 0) return;  // No change.
  if (changes_.empty() || changes_.back().size() == kChunk) {
    changes_.emplace_back();
    changes_.back().reserve(kChunk);
  }
  changes_.back().push_back(
      Change{change_at_, position_ - change_at_, change_text_, written});
}

// Each change is widened to the lines of the image that hold it, and
// joined with the changes on those lines. A region whose written bytes
// end within a line of the result (no break at its end) takes the next
// line of the image too, so that both its sides end at line starts.
void DiffSink::ForEachRegion(const char* image, int64_t size,
                             const RegionVisitor& visit) const {
  LineFinder lines(image, size);
  DiffRegion region;  // one for all, so that its text keeps its room
  bool open = false;
  int64_t taken = 0;  // the image up to here is in region.new_text
  auto settle = [&] {
    if (taken == region.old_end && region.old_end < size &&
        !region.new_text.empty() && region.new_text.back() != '\n') {
      region.old_end = lines.StartFrom(region.old_end + 1);
    }
  };
  auto close = [&] {
    settle();
    region.new_text.append(image + taken,
                           static_cast<size_t>(region.old_end - taken));
    size_t old_length = static_cast<size_t>(region.old_end - region.old_begin);
    if (region.new_text.size() != old_length ||
        memcmp(region.new_text.data(), image + region.old_begin, old_length) !=
            0) {
      visit(region);
    }
  };
  ForEachChange([&](const Change& c) {
    if (open) settle();
    int64_t floor = open ? region.old_end : 0;
    int64_t begin = lines.StartOf(std::max(c.at, floor), floor);
    if (open && begin <= region.old_end) {
      region.new_text.append(image + taken, static_cast<size_t>(c.at - taken));
    } else {
      if (open) close();
      region.old_begin = begin;
      region.old_end = 0;
      region.new_text.assign(image + begin, static_cast<size_t>(c.at - begin));
      open = true;
    }
    region.new_text.append(text_, static_cast<size_t>(c.text),
                           static_cast<size_t>(c.text_length));
    taken = c.at + c.length;
    region.old_end = std::max(region.old_end, lines.StartFrom(taken));
  });
  if (open) close();
}

std::string DiffSink::Result(const char* image, int64_t size) const {
  std::string result;
  int64_t taken = 0;
  ForEachChange([&](const Change& c) {
    result.append(image + taken, static_cast<size_t>(c.at - taken));
    result.append(text_, static_cast<size_t>(c.text),
                  static_cast<size_t>(c.text_length));
    taken = c.at + c.length;
  });
  result.append(image + taken, static_cast<size_t>(size - taken));
  return result;
}

}  // namespace swu
