// The output of a file under --diff: instead of a journal or a temporary
// file, it takes the bytes the result writer writes, and from the writer
// which stretches of the image those bytes replace and which it keeps. It
// so holds the file's result as a list of changes to the image (the
// image's bytes [at, at + length) give way to written bytes), which costs
// memory for the changes only, never a copy of the file.
//
// From the changes it makes the regions of a unified diff (each change
// widened to the whole lines of the image and of the result around it),
// or the whole result where the old side is another file (-$).
//
// Tested end to end by tests/e2e/cases/run_diff.cases.

#ifndef SWU_DIFF_DIFF_SINK_H_
#define SWU_DIFF_DIFF_SINK_H_

#include <cstdint>
#include <string>
#include <vector>

#include "diff/unified_diff.h"
#include "platform/file.h"
#include "result/change_sink.h"

namespace swu {

class DiffSink : public ChangeSink {
 public:
  // ChangeSink.
  void Unchanged(int64_t n) override;
  void Replaced(int64_t n) override;
  void Finish(int64_t size) override;
  // False once a stretch of a negative length was told: the changes no
  // longer describe a result, and the file is not shown.
  bool consistent() const override { return consistent_; }

  // Hands |visit| the regions that turn |image| into the result, whole
  // lines each, in order; regions that change nothing are left out. The
  // region handed over lives only for the call.
  void ForEachRegion(const char* image, int64_t size,
                     const RegionVisitor& visit) const;
  // The whole result.
  std::string Result(const char* image, int64_t size) const;

  // ByteSink. Each write, positioned or not, adds to the bytes written;
  // moves succeed and do nothing.
  bool Seek(int64_t, Whence) override { return true; }
  int64_t Tell() override { return 0; }
  void Write(const void* data, int64_t n) override;
  void WriteAt(const void* data, int64_t n, int64_t) override {
    Write(data, n);
  }
  bool error() const override { return false; }

 private:
  // The image's bytes [at, at + length) give way to text_[text, text +
  // text_length).
  struct Change {
    int64_t at;
    int64_t length;
    int64_t text;
    int64_t text_length;
  };

  // Calls |f| for each change in order.
  template <typename F>
  void ForEachChange(F f) const {
    for (const std::vector<Change>& chunk : changes_) {
      for (const Change& c : chunk) f(c);
    }
  }

  void EndChange();

  // In chunks of kChunk, so that a file with millions of matches never
  // copies its changes to a larger block.
  static constexpr size_t kChunk = 1 << 16;
  std::vector<std::vector<Change>> changes_;
  std::string text_;         // the written bytes of every change in turn
  int64_t position_ = 0;     // in the image: what is accounted for
  int64_t change_at_ = 0;    // where the change being gathered begins
  int64_t change_text_ = 0;  // its first byte in text_
  bool consistent_ = true;
};

}  // namespace swu

#endif  // SWU_DIFF_DIFF_SINK_H_
