// Switch arguments: the handler order, the passes of the letter table and
// what a bad switch reports.

#include "cli/switch_argument.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parse_helper.h"
#include "slots_of.h"

namespace swu {
namespace {

class SwitchArgumentTest : public ::testing::Test {
 protected:
  // Parses a valid filespec and search text plus |switches|.
  std::unique_ptr<Parsed> ParseSwitches(std::vector<std::string> switches) {
    switches.insert(switches.begin(), {"F", "S"});
    return Parse(switches, &platform_);
  }
  CliTestPlatform platform_;
};

TEST_F(SwitchArgumentTest, BadSwitchesNameTheirText) {
  struct Case {
    const char* name;
    std::vector<std::string> switches;
    bool marked;
    const char* bad_text;
  } cases[] = {
      {"unknown letter", {"-q"}, true, "Q"},
      {"taken letter before unknown", {"-CQ"}, true, "Q"},
      {"unknown letter first", {"-QC"}, true, "QC"},
      {"refused -D value", {"-D:X"}, true, "D:X"},
      {"refused -V value", {"-V:9"}, true, "V:9"},
      {"refused help page", {"-H:0"}, true, "H:0"},
      {"refused -B value", {"-b:x"}, true, "B:X"},
      {"-K too short for a list", {"-K:1"}, true, ":1"},
      {"-K alone", {"-K"}, true, ""},
      {"lone dash", {"-"}, true, "-"},
      {"-N above 255", {"-N:256"}, true, "6"},
      {"second -N", {"-N", "-N"}, true, "N"},
      {"-# alone", {"-#"}, false, ""},
      {"-# with a bad value", {"-#:X"}, false, ""},
      {"-N value not a number", {"-N:x"}, false, ""},
      {"begun value after a taken letter", {"-1B:X"}, false, ""},
      {"later switch after a pending one", {"-1B:X", "-q"}, false, ""},
      {"quote in a switch is a character", {"-R\"C"}, true, "\"C"},
  };
  for (const Case& c : cases) {
    auto p = ParseSwitches(c.switches);
    EXPECT_EQ(p->outcome.status, RunStatus::BadArgument) << c.name;
    EXPECT_EQ(p->outcome.bad_text_marked, c.marked) << c.name;
    EXPECT_EQ(p->outcome.bad_text, c.bad_text) << c.name;
  }
  // Where a quote splits an argument, it reads as a backslash in a switch.
  platform_.quotes_split = true;
  auto p = ParseSwitches({"-R\"C"});
  EXPECT_EQ(p->outcome.status, RunStatus::BadArgument);
  EXPECT_EQ(p->outcome.bad_text, "\\");
}

TEST_F(SwitchArgumentTest, StoresSlotValues) {
  struct Case {
    const char* name;
    std::vector<std::string> switches;
    Slot slot;
    uint8_t value;
  } cases[] = {
      {"bare -V is 3", {"-V"}, kVerbosity, '3'},
      {"-V:0", {"-v:0"}, kVerbosity, '0'},
      {"-A then -I", {"-A", "-I"}, kInsertAppend, 'I'},
      {"-M then -U", {"-M", "-U"}, kLineFilter, 'U'},
      {"-B then -T", {"-B", "-T"}, kAddMode, 'T'},
      {"-T:C create", {"-T:C"}, kCreate, 'C'},
      {"-D:P", {"-D:P"}, kLineSub, 'P'},
      {"-D:R with letters after", {"-D:RS"}, kStopOnError, 'S'},
      {"-H:2 then -H keeps 2", {"-H:2", "-H"}, kHelpPage, '2'},
      {"-H then -H:2", {"-H", "-H:2"}, kHelpPage, '2'},
      {"-? is help", {"-?"}, kHelpPage, '1'},
      {"-& keeps case C", {"-&"}, kAmpCase, 'C'},
      {"-&:U", {"-&:u"}, kAmpCase, 'U'},
      {"no -& clears the case", {}, kAmpCase, 0},
      {"pad byte default", {}, kPadByte, 32},
      {"-N alone pads with space", {"-N"}, kPadByte, 32},
      {"-N:0", {"-N:0"}, kPadByte, 0},
      {"-N:65", {"-N:65"}, kPadByte, 'A'},
      {"-N:251", {"-N:251"}, kPadByte, 251},
      {"-N:2551 is 255", {"-N:2551"}, kPadByte, 255},
      {"-N:2551 then -1", {"-N:2551"}, kDisable1, '1'},
      {"-W:9 with colon and letter", {"-W:9:R"}, kRecurse, 'R'},
      {"-W:9", {"-W:9"}, kWildcardByte, 9},
      {"-% sets end anchor", {"-%"}, kEndAnchor, '%'},
      {"table letters in order", {"-RIC"}, kCaseSensitive, 'C'},
      {"table letters out of order", {"-CIR"}, kRecurse, 'R'},
      {"-GE takes both", {"-GE", "X"}, kPendingEnv, 0},
      {"-C#:1: # is the anchor", {"-C#:1"}, kStartAnchor, '#'},
      {"-C#:1: :1 disables @", {"-C#:1"}, kDisable1, '1'},
      {"-#:L", {"-#:L"}, kSelectMode, 'L'},
      {"-#:0 with anchor after", {"-#:0#"}, kStartAnchor, '#'},
      {"-~ and -P", {"-~P"}, kPause, 'P'},
  };
  for (const Case& c : cases) {
    auto p = ParseSwitches(c.switches);
    EXPECT_NE(p->outcome.status, RunStatus::BadArgument) << c.name;
    EXPECT_EQ(Slots(p)[c.slot], c.value) << c.name;
  }
}

// Where the platform has '/' switches (Windows), '/' reads as '-'.
TEST_F(SwitchArgumentTest, SlashSwitchesWhereThePlatformHasThem) {
  platform_.slash_switches = true;
  auto p = ParseSwitches({"/V:1"});
  EXPECT_EQ(p->outcome.status, RunStatus::None);
  EXPECT_EQ(Slots(p)[kVerbosity], '1');
  p = ParseSwitches({"/"});
  EXPECT_EQ(p->outcome.status, RunStatus::BadArgument);
  EXPECT_EQ(p->outcome.bad_text, "/");
}

// On POSIX an argument that begins with '/' is always a text argument.
TEST_F(SwitchArgumentTest, SlashIsTextOnPosix) {
  auto p = Parse({"conf.txt", "/data/old", "/pot"}, &platform_);
  EXPECT_EQ(p->outcome.status, RunStatus::None);
  EXPECT_EQ(p->new_text(), "/pot");
  EXPECT_EQ(Slots(p)[kPause], 0);
  p = Parse({"f", "s", "n", "/R"}, &platform_);
  EXPECT_EQ(p->outcome.status, RunStatus::BadArgument);
  EXPECT_EQ(p->outcome.bad_text, "/R");
  EXPECT_EQ(Slots(p)[kRecurse], 0);
}

TEST_F(SwitchArgumentTest, SpecialCharacters) {
  struct Case {
    const char* name;
    std::vector<std::string> switches;
    int n;
    uint8_t value;
  } cases[] = {
      {"defaults @", {}, 1, '@'},
      {"defaults &", {}, 2, '&'},
      {"change keeps case", {"-1:x"}, 1, 'x'},
      {"later change wins", {"-3:a", "-3:b"}, 3, 'b'},
      {"disable before change wins", {"-4", "-4:?"}, 4, 0},
      {"disable after change wins", {"-4:?", "-4"}, 4, 0},
      {"several in one argument", {"-12:%3"}, 2, '%'},
      {"several in one argument, disabled", {"-12:%3"}, 3, 0},
  };
  for (const Case& c : cases) {
    auto p = ParseSwitches(c.switches);
    EXPECT_EQ(p->outcome.status, RunStatus::None) << c.name;
    EXPECT_EQ(p->s().special(c.n), c.value) << c.name;
  }
}

TEST_F(SwitchArgumentTest, HelpAfterBadSwitchIsNotRead) {
  auto p = ParseSwitches({"-Q", "-H"});
  EXPECT_EQ(p->outcome.status, RunStatus::BadArgument);
  EXPECT_EQ(Slots(p)[kHelp], 0);

  p = ParseSwitches({"-H", "-Q"});
  EXPECT_EQ(Slots(p)[kHelp], 'H');

  // A refused page value still asks for help, on page 1.
  p = ParseSwitches({"-H:0"});
  EXPECT_EQ(Slots(p)[kHelp], 'H');
  EXPECT_EQ(Slots(p)[kHelpPage], '1');
}

TEST_F(SwitchArgumentTest, LongSwitchIsCutAndReadSafely) {
  // 299 'R's: each pass takes one, and the argument is cut at 261 bytes.
  auto p = ParseSwitches({"-" + std::string(299, 'R')});
  EXPECT_EQ(p->outcome.status, RunStatus::None);
  EXPECT_EQ(Slots(p)[kRecurse], 'R');

  p = ParseSwitches({"-" + std::string(259, 'R') + "QQQQ"});
  EXPECT_EQ(p->outcome.status, RunStatus::BadArgument);
  EXPECT_EQ(p->outcome.bad_text, "Q");  // Only the first Q is kept.
}

}  // namespace
}  // namespace swu
