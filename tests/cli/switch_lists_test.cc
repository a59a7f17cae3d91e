// The -# match list, the -K special function list and its storing rule.

#include "cli/switch_lists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "parse_helper.h"
#include "slots_of.h"

namespace swu {
namespace {

class SwitchListsTest : public ::testing::Test {
 protected:
  std::unique_ptr<Parsed> ParseSwitches(std::vector<std::string> switches) {
    switches.insert(switches.begin(), {"F", "S", "new"});
    return Parse(switches, &platform_);
  }
  static std::vector<int32_t> Entries(const MatchList& list) {
    return std::vector<int32_t>(list.entries, list.entries + list.last + 1);
  }
  static std::vector<std::pair<int32_t, char>> Functions(
      const SpecialFunctionList& list) {
    std::vector<std::pair<int32_t, char>> out;
    for (int i = 0; i < list.size(); ++i) {
      out.emplace_back(list.entries[i].mode,
                       static_cast<char>(list.entries[i].character));
    }
    return out;
  }
  CliTestPlatform platform_;
};

TEST_F(SwitchListsTest, MatchLists) {
  const std::string ten = "-#:1,2,3,4,5,6,7,8,9,10";
  struct Case {
    const char* name;
    std::vector<std::string> switches;
    RunStatus status;
    std::vector<int32_t> entries;
    const char* bad_text;
  } cases[] = {
      {"three numbers", {"-#:3,5,12"}, RunStatus::None, {3, 5, 12}, ""},
      {"zeros and empty places add nothing",
       {"-#:1,,0,2,"},
       RunStatus::None,
       {1, 2},
       ""},
      {"lists add up", {"-#:3", "-#:4,5"}, RunStatus::None, {3, 4, 5}, ""},
      {"ten numbers",
       {ten},
       RunStatus::None,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
       ""},
      {"eleventh number",
       {ten + ",11"},
       RunStatus::BadArgument,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
       ",11"},
      {"second list after ten",
       {ten, "-#:5"},
       RunStatus::BadArgument,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
       "5"},
      {"largest number", {"-#:999999989"}, RunStatus::None, {999999989}, ""},
      {"number too large",
       {"-#:999999990"},
       RunStatus::BadArgument,
       {99999999},
       "0"},
      {"letters after the list", {"-#:2RC"}, RunStatus::None, {2}, ""},
  };
  for (const Case& c : cases) {
    auto p = ParseSwitches(c.switches);
    EXPECT_EQ(p->outcome.status, c.status) << c.name;
    EXPECT_EQ(Entries(p->s().match_list), c.entries) << c.name;
    EXPECT_EQ(p->outcome.bad_text, c.bad_text) << c.name;
    EXPECT_EQ(Slots(p)[kSelectMode], 'S') << c.name;
  }
}

TEST_F(SwitchListsTest, FunctionListsKeepModeSixFirst) {
  struct Case {
    const char* name;
    std::vector<std::string> switches;
    std::vector<std::pair<int32_t, char>> entries;
    int32_t mode6_count;
  } cases[] = {
      {"mode 6 moves to the front",
       {"-K:1A,2B,6C"},
       {{6, 'C'}, {2, 'B'}, {1, 'A'}},
       1},
      {"mode-6 entries stay in order",
       {"-K:6A,6B,1C,6D"},
       {{6, 'A'}, {6, 'B'}, {6, 'D'}, {1, 'C'}},
       3},
      {"second mode 6 after others",
       {"-K:1A,6B,2C,6D"},
       {{6, 'B'}, {6, 'D'}, {2, 'C'}, {1, 'A'}},
       2},
      {"character keeps its case", {"-K:1a"}, {{1, 'a'}}, 0},
      {"letter modes",
       {"-k:hx,Cy,gz,LW,iv"},
       {{'H', 'x'}, {'C', 'y'}, {'G', 'z'}, {'L', 'W'}, {'I', 'v'}},
       0},
      {"lists add up", {"-K:1A", "-K:6B"}, {{6, 'B'}, {1, 'A'}}, 1},
  };
  for (const Case& c : cases) {
    auto p = ParseSwitches(c.switches);
    EXPECT_EQ(p->outcome.status, RunStatus::None) << c.name;
    EXPECT_EQ(Functions(p->s().functions), c.entries) << c.name;
    EXPECT_EQ(p->s().functions.mode6_count(), c.mode6_count) << c.name;
    EXPECT_EQ(Slots(p)[kFunctions], 'K') << c.name;
  }
}

TEST_F(SwitchListsTest, FunctionListLimitsAndResets) {
  const std::string ten = "-K:0a,0b,0c,0d,0e,0f,0g,0h,0i,0j";
  struct Case {
    const char* name;
    std::vector<std::string> switches;
    RunStatus status;
    bool marked;
    const char* bad_text;
    uint8_t reset;
  } cases[] = {
      {"ten entries", {ten}, RunStatus::None, false, "", 0},
      {"eleventh in the same switch",
       {ten + ",0k"},
       RunStatus::BadArgument,
       false,
       "",
       0},
      {"eleventh first in its switch",
       {ten, "-K:1K,2L"},
       RunStatus::BadArgument,
       true,
       ",2L",
       0},
      {"reset per match", {"-K:1x,RM"}, RunStatus::None, false, "", 'M'},
      {"reset per file, lower case",
       {"-k:rf,1x"},
       RunStatus::None,
       false,
       "",
       'F'},
      {"reset does not count as an entry",
       {ten + ",RM"},
       RunStatus::None,
       false,
       "",
       'M'},
      {"not an entry", {"-K:QY"}, RunStatus::BadArgument, true, "QY", 0},
      {"not an entry, then a letter",
       {"-K:XY"},
       RunStatus::BadArgument,
       false,
       "",
       0},
  };
  for (const Case& c : cases) {
    auto p = ParseSwitches(c.switches);
    EXPECT_EQ(p->outcome.status, c.status) << c.name;
    EXPECT_EQ(p->outcome.bad_text_marked, c.marked) << c.name;
    EXPECT_EQ(p->outcome.bad_text, c.bad_text) << c.name;
    EXPECT_EQ(Slots(p)[kResetMode], c.reset) << c.name;
    EXPECT_LE(p->s().functions.size(), 10) << c.name;
  }
}

TEST_F(SwitchListsTest, StoreFunctionKeepsInvariant) {
  // Every order of three mode-6 and three other entries keeps the mode-6
  // entries in front, in the order given.
  std::vector<int32_t> modes = {1, 1, 1, 6, 6, 6};
  do {
    SpecialFunctionList list;
    std::string six_order;
    for (size_t i = 0; i < modes.size(); ++i) {
      SpecialFunction entry;
      entry.mode = modes[i];
      entry.character = static_cast<uint8_t>('a' + i);
      StoreFunction(entry, &list);
      if (modes[i] == 6) six_order += entry.character;
    }
    std::string front;
    for (int i = 0; i < 3; ++i) {
      ASSERT_EQ(list.entries[i].mode, 6);
      front += static_cast<char>(list.entries[i].character);
    }
    EXPECT_EQ(front, six_order);
    EXPECT_EQ(list.size(), 6);
    EXPECT_EQ(list.mode6_count(), 3);
  } while (std::next_permutation(modes.begin(), modes.end()));
}

}  // namespace
}  // namespace swu
