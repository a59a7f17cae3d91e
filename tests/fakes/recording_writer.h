// A MatchWriter for the replace loop's tests: moves the position as the
// result writer does, writes nothing, and records each call, so a test
// sees the sequence of calls the loop makes.

#ifndef SWU_TESTS_FAKES_RECORDING_WRITER_H_
#define SWU_TESTS_FAKES_RECORDING_WRITER_H_

#include <cstdint>
#include <string>

#include "search/match.h"
#include "search/match_writer.h"
#include "store/file_buffer.h"

namespace swu {

class RecordingWriter : public MatchWriter {
 public:
  explicit RecordingWriter(FileBuffer* buffer) : buffer_(buffer) {}

  void PassUnchanged(int64_t n) override { Move("pass", n); }
  void CopyThrough(int64_t n) override { Move("copy", n); }
  void Drop(int64_t n) override { Move("drop", n); }
  void DropRest() override {
    Move("drop rest", buffer_->end - buffer_->position);
  }
  // A match consumes what the matcher says it covers.
  int64_t WriteAtMatch(const Match& match) override {
    Move("match", match.consumed);
    return match.consumed;
  }
  void FinishMatches() override { Note("finish"); }

  // Adds |call| to the log; the calls are separated by ", ".
  void Note(const std::string& call) {
    log_ += (log_.empty() ? "" : ", ") + call;
  }
  // The calls so far: "pass 2, match 1, finish".
  const std::string& log() const { return log_; }

 private:
  void Move(const char* call, int64_t n) {
    Note(call + (" " + std::to_string(n)));
    buffer_->position += n;
  }

  FileBuffer* buffer_;
  std::string log_;
};

}  // namespace swu

#endif  // SWU_TESTS_FAKES_RECORDING_WRITER_H_
