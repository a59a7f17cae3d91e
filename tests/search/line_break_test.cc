// Tests of the line-break rule: where a break begins, how long it is, and
// which break the command writes for a file.

#include "search/line_break.h"

#include <gtest/gtest.h>

#include <string>

namespace swu {
namespace {

const uint8_t* Bytes(const std::string& s) {
  return reinterpret_cast<const uint8_t*>(s.data());
}

int64_t End(const std::string& s) { return static_cast<int64_t>(s.size()); }

TEST(LineBreakTest, BreakAtTellsCrLfFromLoneLfAndLoneCr) {
  const std::string image = "a\r\nb\nc\rd\r";
  struct {
    int64_t at;
    int64_t length;
  } cases[] = {
      {1, 2},  // CR LF
      {2, 0},  // the LF of a CR LF begins no break of its own
      {4, 1},  // lone LF
      {6, 0},  // lone CR
      {8, 0},  // CR at the end of the image
      {0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BreakAt(Bytes(image), 0, c.at, End(image)), c.length) << c.at;
  }
  // An LF first in the image follows no CR, whatever lies before it.
  const std::string led = "\r\nx";
  EXPECT_EQ(BreakAt(Bytes(led), 1, 1, End(led)), 1);
}

TEST(LineBreakTest, FindBreakSkipsTheLfOfABreakBegunEarlier) {
  const std::string image = "x\r\ny\nz\r\n";
  int64_t length = -1;
  EXPECT_EQ(FindBreak(Bytes(image), 0, End(image), &length), 1);
  EXPECT_EQ(length, 2);
  EXPECT_EQ(FindBreak(Bytes(image), 2, End(image), &length), 4);
  EXPECT_EQ(length, 1);
  EXPECT_EQ(FindBreak(Bytes(image), 5, End(image), &length), 6);
  EXPECT_EQ(length, 2);
  EXPECT_EQ(FindBreak(Bytes(image), 7, End(image), &length), -1);
  EXPECT_EQ(length, 0);
  const std::string lone_cr = "a\rb";
  EXPECT_EQ(FindBreak(Bytes(lone_cr), 0, End(lone_cr), &length), -1);
}

// A file without a break gets the system's own: LF (1) or CR LF (2).
TEST(LineBreakTest, WrittenBreakFollowsTheFirstBreakOfTheFile) {
  struct {
    std::string image;
    int64_t on_lf_system;
    int64_t on_crlf_system;
  } cases[] = {
      {"a\nb\r\n", 1, 1}, {"a\r\nb\n", 2, 2}, {"abc", 1, 2},
      {"", 1, 2},         {"a\rb\n", 1, 1},   {"\n", 1, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WrittenBreakLength(Bytes(c.image), 0, End(c.image), 1),
              c.on_lf_system)
        << c.image;
    EXPECT_EQ(WrittenBreakLength(Bytes(c.image), 0, End(c.image), 2),
              c.on_crlf_system)
        << c.image;
  }
}

}  // namespace
}  // namespace swu
