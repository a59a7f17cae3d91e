// Tests of the matcher: the byte rule, wildcards, anchors, empty search
// texts, the line widening of the line modes, and a search made afresh for
// each file. tests/search/matcher_property_test.cc checks random searches
// against the naive reference.

#include "search/matcher.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "fakes/parse_for_test.h"
#include "platform/platform.h"

namespace swu {
namespace {

using Region = std::pair<int64_t, int64_t>;  // block index, consumed length

void Load(FileBuffer* buffer, const std::string& image) {
  ASSERT_TRUE(
      buffer->MakeRoom(image.empty() ? 1 : static_cast<int64_t>(image.size())));
  memcpy(buffer->block(), image.data(), image.size());
  buffer->SetImage(static_cast<int64_t>(image.size()));
}

// Every match from |position| on, each search resuming right after the
// previous match (as a skipped match does).
std::vector<Region> AllMatches(const std::string& image,
                               const std::string& search,
                               const std::string& switches,
                               const std::string& new_text = "N",
                               int64_t position = 0) {
  Settings settings;
  ParseForTest(search, new_text, switches, &settings);
  FileBuffer buffer(Platform::Default());
  Load(&buffer, image);
  buffer.position = position;
  Matcher matcher(settings);
  FileSearch file_search(&matcher);
  std::vector<Region> found;
  Match match;
  int64_t resume = 0;
  while (file_search.FindNextMatch(buffer, resume, &match)) {
    found.emplace_back(position + match.offset, match.consumed);
    resume = match.offset + (match.consumed > 0 ? match.consumed : 1);
  }
  return found;
}

struct MatchCase {
  const char* name;
  std::string image;
  std::string search;
  std::string switches;
  std::vector<Region> expected;
  std::string new_text = "N";
  int64_t position = 0;
};

void PrintTo(const MatchCase& c, std::ostream* os) { *os << c.name; }

class MatcherTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(MatcherTest, FindsExpectedRegions) {
  const MatchCase& c = GetParam();
  EXPECT_EQ(AllMatches(c.image, c.search, c.switches, c.new_text, c.position),
            c.expected)
      << c.name;
}

const MatchCase kByteRuleCases[] = {
    {"leading wildcard covers the byte before", "xabc", "@bc", "", {{1, 3}}},
    {"wildcard never reaches before the position", "ab", "@b", "", {}, "N", 1},
    {"wildcard takes an LF", "a\nc", "a@c", "", {{0, 3}}},
    {"letters fold without -C",
     "abc aBc ABC",
     "ABC",
     "",
     {{0, 3}, {4, 3}, {8, 3}}},
    {"-C compares exactly", "abc aBc ABC", "ABC", "-C", {{8, 3}}},
    {"bytes above 0x7F never fold", "\xE9\xC9", "\xC9", "", {{1, 1}}},
    {"digits and punctuation never fold", "[{", "{", "", {{1, 1}}},
    {"matches never overlap", "aaa", "aa", "", {{0, 2}}},
    {"NUL is ordinary data",
     std::string("xa\0b", 4),
     std::string("a\0b", 3),
     "",
     {{1, 3}}},
    {"all wildcards", "abcde", "@@", "", {{0, 2}, {2, 2}}},
    {"disabled wildcard is a plain byte", "abc a@c", "a@c", "-1", {{4, 3}}},
    {"changed wildcard", "abc a@c", "a?c", "-1:?", {{0, 3}, {4, 3}}},
    {"rare byte found before a match start",
     "zz quiz the quiz",
     "the quiz",
     "",
     {{8, 8}}},
    {"both cases of the scanned letter",
     "qz Qz QZ",
     "qz",
     "",
     {{0, 2}, {3, 2}, {6, 2}}},
    {"text longer than the file", "ab", "abc", "", {}},
    {"a match that ends at the end", "xxab", "ab", "", {{2, 2}}},
};
INSTANTIATE_TEST_SUITE_P(ByteRule, MatcherTest,
                         ::testing::ValuesIn(kByteRuleCases));

const MatchCase kAnchorCases[] = {
    {"start anchor at file start and after LF only",
     "abc\rabc\nabc",
     "#abc",
     "",
     {{0, 3}, {8, 3}}},
    {"end anchor needs a CR after", "abc\r\nabcx", "abc!", "", {{0, 3}}},
    {"end anchor fails at the end of the file", "xabc", "abc!", "", {}},
    {"both anchors fill a line", "x\r\nabc\r\n", "#abc!", "", {{3, 3}}},
    {"start anchor looks before the position", "xabc", "#abc", "", {}, "N", 1},
    {"empty text at every line start, none at the end",
     "ab\r\ncd\r\n",
     "#",
     "",
     {{0, 0}, {4, 0}}},
    {"empty text on empty lines", "\r\n\r\n", "#", "", {{0, 0}, {2, 0}}},
    {"empty text with the end anchor", "ab\r\ncd", "!", "", {{2, 0}}},
    {"empty text with both anchors finds empty lines",
     "a\r\n\r\nb",
     "#!",
     "",
     {{3, 0}}},
    {"anchor only wildcards", "ab\r\nab\r\n", "#@@!", "", {{0, 2}, {4, 2}}},
    {"end anchor before a lone LF", "abc\nabcx", "abc!", "", {{0, 3}}},
    {"end anchor never between CR and LF", "ab\r\ncd", "!", "", {{2, 0}}},
    {"end anchor before a lone LF, none after CR LF",
     "a\nb\r\n",
     "!",
     "",
     {{1, 0}, {3, 0}}},
    {"wildcards with the end anchor before LF",
     "ab\ncd\n",
     "@@!",
     "",
     {{0, 2}, {3, 2}}},
    {"wildcard CR before LF fails the end anchor", "ab\r\nc", "b@!", "", {}},
};
INSTANTIATE_TEST_SUITE_P(Anchors, MatcherTest,
                         ::testing::ValuesIn(kAnchorCases));

const MatchCase kLineCases[] = {
    {"-D takes the line", "abcd\r\n", "bc", "-D", {{0, 4}}},
    {"-D:L keeps the left-hand part", "abcd\r\n", "bc", "-D:L", {{1, 3}}},
    {"-D:R keeps the right-hand part", "abcd\r\n", "bc", "-D:R", {{0, 3}}},
    {"-D last line without line end", "a\r\nbxc", "x", "-D", {{3, 3}}},
    {"-D empty new text takes the CR LF",
     "a\r\nbx\r\nc",
     "x",
     "-D",
     {{3, 4}},
     ""},
    {"-D:P empty new text keeps the CR LF",
     "a\r\nbx\r\nc",
     "x",
     "-D:P",
     {{3, 2}},
     ""},
    {"-D line after a leading LF", "\nabc", "b", "-D", {{1, 3}}},
    {"-D line never starts before the position",
     "abcabc\r\n",
     "c",
     "-D",
     {{3, 3}},
     "N",
     3},
    {"-D lone CR does not end a line", "a\rb x\r\n", "x", "-D", {{0, 5}}},
    {"-D line ends at a lone LF", "a\nbxc\nd", "x", "-D", {{2, 3}}},
    {"-D empty new text takes a lone LF", "a\nbx\nc", "x", "-D", {{2, 3}}, ""},
    {"-D:P empty new text keeps a lone LF",
     "a\nbx\nc",
     "x",
     "-D:P",
     {{2, 2}},
     ""},
    {"-D lone CR then LF ends the line at the LF",
     "bx\ry\nz",
     "x",
     "-D",
     {{0, 4}}},
    {"-D text ending in CR passes over its LF",
     "ax\r\nb\nc",
     "x@",
     "-D",
     {{0, 5}}},
    {"-U takes the line without its end",
     "a\r\nxb\r\nc\r\n",
     "x",
     "-U",
     {{3, 2}}},
    {"-M keeps the text match", "a\r\nxb\r\nc\r\n", "x", "-M", {{3, 1}}},
};
INSTANTIATE_TEST_SUITE_P(Lines, MatcherTest, ::testing::ValuesIn(kLineCases));

TEST(MatcherLineTest, LineFilterDescribesTheWholeLine) {
  Settings settings;
  ParseForTest("bc", "N", "-M -D:R", &settings);
  FileBuffer buffer(Platform::Default());
  Load(&buffer, "xx\r\nabcd\r\nyy");
  buffer.position = 2;
  Matcher matcher(settings);
  Match match;
  ASSERT_TRUE(FileSearch(&matcher).FindNextMatch(buffer, 0, &match));
  EXPECT_EQ(match.offset, 2);       // from the line start ...
  EXPECT_EQ(match.consumed, 3);     // ... to the end of the text (-D:R)
  EXPECT_EQ(match.line_offset, 2);  // the line "abcd"
  EXPECT_EQ(match.line_length, 4);
  EXPECT_EQ(match.line_break, 2);
  EXPECT_EQ(match.start, 5);
}

TEST(MatcherLineTest, LoneLfBreakHasLengthOne) {
  Settings settings;
  ParseForTest("b", "N", "-M", &settings);
  FileBuffer buffer(Platform::Default());
  Load(&buffer, "x\nabc\ny");
  Matcher matcher(settings);
  Match match;
  ASSERT_TRUE(FileSearch(&matcher).FindNextMatch(buffer, 0, &match));
  EXPECT_EQ(match.line_offset, 2);
  EXPECT_EQ(match.line_length, 3);
  EXPECT_EQ(match.line_break, 1);
}

// An empty text covers no byte, so the lone LF after it ends its line: the
// line is never taken to start after that LF (past its own end).
TEST(MatcherLineTest, EndAnchorAloneBeforeALoneLfTakesTheLineTheLfEnds) {
  Settings settings;
  ParseForTest("!", "N", "-D", &settings);
  FileBuffer buffer(Platform::Default());
  Load(&buffer, "ab\n\ncd\n");
  Matcher matcher(settings);
  FileSearch search(&matcher);
  Match match;
  ASSERT_TRUE(search.FindNextMatch(buffer, 3, &match));  // The empty line.
  EXPECT_EQ(match.offset, 3);
  EXPECT_EQ(match.consumed, 0);
  ASSERT_TRUE(search.FindNextMatch(buffer, 4, &match));
  EXPECT_EQ(match.offset, 4);
  EXPECT_EQ(match.consumed, 2);
}

// The run's matcher serves files in turn. The first file's candidates fail
// late, so its search switches to the piece search; the next file's
// search starts with the candidate scan again, switches on its own, and
// finds its match with the pieces the first file had built.
TEST(MatcherRunTest, EachFileIsSearchedAfresh) {
  std::string text;
  for (int i = 0; i < 20; ++i) text += "ab";  // longer than 32 bytes
  std::string near;
  for (int i = 0; i < 100; ++i) near += text.substr(0, 38) + "aa";
  std::string hit = near.substr(0, near.size() - text.size()) + text;
  Settings settings;
  ParseForTest(text, "N", "-C", &settings);
  Matcher matcher(settings);
  FileBuffer buffer(Platform::Default());
  Match match;

  Load(&buffer, near);
  FileSearch first(&matcher);
  EXPECT_FALSE(first.FindNextMatch(buffer, 0, &match));
  EXPECT_TRUE(first.searching_by_pieces());

  Load(&buffer, hit);
  FileSearch second(&matcher);
  EXPECT_FALSE(second.searching_by_pieces());
  ASSERT_TRUE(second.FindNextMatch(buffer, 0, &match));
  EXPECT_EQ(match.start, static_cast<int64_t>(hit.size() - text.size()));
  EXPECT_TRUE(second.searching_by_pieces());
}

}  // namespace
}  // namespace swu
