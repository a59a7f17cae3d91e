// Tests of the replace loop through a recording writer: the calls it makes
// for a -# selection and the -M line filter, the renewal of the new text
// after each acted-on match (-K:RM), and the early stop when that renewal
// fails. What the calls write is tested in tests/run/file_processor_test.cc.

#include "search/replace_loop.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>

#include "fakes/parse_for_test.h"
#include "fakes/recording_writer.h"

namespace swu {
namespace {

class ReplaceLoopTest : public ::testing::Test {
 protected:
  // Runs the loop over |image| (not empty) and returns the writer's log.
  // |renew|, when given, runs after every acted-on match.
  std::string Run(const std::string& image,
                  std::function<bool()> renew = nullptr) {
    const int64_t size = static_cast<int64_t>(image.size());
    EXPECT_TRUE(buffer_.MakeRoom(size));
    memcpy(buffer_.block(), image.data(), image.size());
    buffer_.SetImage(size);
    Matcher matcher(settings_);
    ReplaceLoop loop(settings_, &buffer_, &matcher, &writer_, &state_,
                     std::move(renew));
    loop.Run();
    return writer_.log();
  }

  Settings settings_;
  FileBuffer buffer_{Platform::Default()};
  ReplaceState state_;
  RecordingWriter writer_{&buffer_};
};

TEST_F(ReplaceLoopTest, CallsTheWriterMakes) {
  struct Case {
    const char* name;
    const char* switches;
    std::string image;
    std::string calls;
  } cases[] = {
      {"every match", "", "axbx", "pass 1, match 1, pass 1, match 1, finish"},
      {"-#:2 passes nothing for a skipped match", "-#:2", "x-x",
       "pass 2, match 1, finish"},
      {"-#:J acts on each match when the next is found", "-#:J", "x-x-x",
       "pass 0, match 1, pass 1, match 1, finish"},
      {"-M drops the lines around a modified one", "-M", "a\r\nxb\r\nc\r\n",
       "drop 3, copy 0, match 1, copy 3, drop rest 3, finish"},
  };
  for (const Case& c : cases) {
    ParseForTest("x", "Y", c.switches, &settings_);
    state_ = ReplaceState();
    writer_ = RecordingWriter(&buffer_);
    EXPECT_EQ(Run(c.image), c.calls) << c.name;
  }
}

TEST_F(ReplaceLoopTest, RenewsTheNewTextAfterEveryActedMatch) {
  ParseForTest("x", "#", "-#:O -K:2#,RM", &settings_);
  EXPECT_EQ(Run("x x x",
                [&] {
                  writer_.Note("renew");
                  return true;
                }),
            "pass 0, match 1, renew, pass 3, match 1, renew, finish");
  EXPECT_EQ(state_.acted_on, 2);
}

// A match that begins with the LF ending the line of the match before it
// is in that line: the bytes between the two are written, not dropped.
TEST_F(ReplaceLoopTest, ModifiedLinesKeepTheBytesBeforeAMatchOfTheirLf) {
  ParseForTest("\n", "Y", "-M", &settings_);
  EXPECT_EQ(Run("a\r\nb\r\nc"),
            "drop 2, copy 0, match 1, drop 0, copy 2, match 1, copy 1, "
            "drop rest 0, finish");
}

TEST_F(ReplaceLoopTest, FailedRenewalStopsTheLoop) {
  ParseForTest("x", "YY", "", &settings_);
  EXPECT_EQ(Run("x x x", [] { return false; }), "pass 0, match 1");
  EXPECT_EQ(state_.error, FileError::ReloadFailed);
  EXPECT_FALSE(state_.finished);  // FinishMatches was never called.
}

}  // namespace
}  // namespace swu
