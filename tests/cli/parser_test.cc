// The argument loop (quote fix-up, argument count, classification), text
// arguments, validation and the finishing steps.

#include "cli/parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parse_helper.h"
#include "slots_of.h"

namespace swu {
namespace {

class ParserTest : public ::testing::Test {
 protected:
  std::unique_ptr<Parsed> P(const std::vector<std::string>& args) {
    return Parse(args, &platform_);
  }
  CliTestPlatform platform_;
};

TEST_F(ParserTest, TextsFillTheirPlacesInOrder) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* filespec;
    const char* search;
    const char* new_text;
    const char* output;
  } cases[] = {
      {"three texts", {"*.txt", "old", "new"}, "*.TXT", "old", "new", ""},
      {"switches anywhere",
       {"-R", "a.b", "-C", "x", "-V", "y"},
       "A.B",
       "x",
       "y",
       ""},
      {"empty argument fills nothing", {"", "f", "", "s"}, "F", "s", "", ""},
      {"-$ takes the next text",
       {"f", "-$", "OutDir", "s"},
       "F",
       "s",
       "",
       "OutDir"},
      {"-G makes a dash argument text",
       {"f", "-G", "-x-", "-G", "/y"},
       "F",
       "-x-",
       "/y",
       ""},
      {"slash path is text",
       {"/home/me/*.txt", "s"},
       "/HOME/ME/*.TXT",
       "s",
       "",
       ""},
  };
  for (const Case& c : cases) {
    auto p = P(c.args);
    EXPECT_EQ(p->outcome.status, RunStatus::None) << c.name;
    EXPECT_STREQ(p->s().filespec, c.filespec) << c.name;
    EXPECT_EQ(p->search(), c.search) << c.name;
    EXPECT_EQ(p->new_text(), c.new_text) << c.name;
    EXPECT_STREQ(p->s().output_name, c.output) << c.name;
    EXPECT_STREQ(p->s().split_spec, p->s().filespec) << c.name;
  }
}

TEST_F(ParserTest, TextsOf261BytesFillTheirPlaces) {
  auto p = P({std::string(261, 'a'), std::string(261, 'b')});
  EXPECT_EQ(p->outcome.status, RunStatus::None);
  EXPECT_EQ(std::string(p->s().filespec), std::string(261, 'A'));
  EXPECT_EQ(p->search(), std::string(261, 'b'));
}

// Where the program splits its own command line (Windows), a double quote
// ends an argument as a backslash and the rest after the next character is
// read as the next argument, until -Z.
TEST_F(ParserTest, WindowsQuoteSplitsAnArgument) {
  platform_.quotes_split = true;
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* filespec;
    const char* search;
    const char* new_text;
  } cases[] = {
      {"quote splits an argument",
       {"dir\\sub\" s", "n"},
       "DIR\\SUB\\",
       "s",
       "n"},
      {"quote at the end", {"f\"", "s"}, "F\\", "s", ""},
      {"quote with one character after", {"f\" ", "s"}, "F\\", "s", ""},
      {"rest after a quote loses its CR", {"f\" s\r", "n"}, "F\\", "s", "n"},
      {"rest after a quote may be a switch",
       {"f\" -A", "s", "n"},
       "F\\",
       "s",
       "n"},
      {"two quotes in one argument", {"f\" s\" n"}, "F\\", "s\\", "n"},
      {"-Z keeps quotes", {"-Z", "f", "say \"hi\""}, "F", "say \"hi\"", ""},
      {"quote after -- still splits",
       {"f", "--", "-s\" -n"},
       "F",
       "-s\\",
       "-n"},
  };
  for (const Case& c : cases) {
    auto p = P(c.args);
    EXPECT_EQ(p->outcome.status, RunStatus::None) << c.name;
    EXPECT_STREQ(p->s().filespec, c.filespec) << c.name;
    EXPECT_EQ(p->search(), c.search) << c.name;
    EXPECT_EQ(p->new_text(), c.new_text) << c.name;
  }
}

// Where the shell has split the arguments (POSIX), a double quote is an
// ordinary character, and -Z changes nothing.
TEST_F(ParserTest, PosixQuoteIsAnOrdinaryCharacter) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* filespec;
    const char* search;
    const char* new_text;
  } cases[] = {
      {"include line",
       {"*.c", "include \"x.h\"", "include \"y.h\""},
       "*.C",
       "include \"x.h\"",
       "include \"y.h\""},
      {"quote in a filespec", {"dir\\sub\" s", "n"}, "DIR\\SUB\" S", "n", ""},
      {"quote at the end", {"f", "s\""}, "F", "s\"", ""},
      {"rest after a quote is no switch", {"f", "s\" -A"}, "F", "s\" -A", ""},
      {"-Z changes nothing", {"-Z", "f", "say \"hi\""}, "F", "say \"hi\"", ""},
  };
  for (const Case& c : cases) {
    auto p = P(c.args);
    EXPECT_EQ(p->outcome.status, RunStatus::None) << c.name;
    EXPECT_STREQ(p->s().filespec, c.filespec) << c.name;
    EXPECT_EQ(p->search(), c.search) << c.name;
    EXPECT_EQ(p->new_text(), c.new_text) << c.name;
  }
}

// "--" ends the switches: it fills no place itself, and every later
// argument is a text, also "--", the long options and, where '/' starts a
// switch, a '/' argument. -G still works, and after -G "--" is a text.
TEST_F(ParserTest, DoubleDashEndsTheSwitches) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* filespec;
    const char* search;
    const char* new_text;
  } cases[] = {
      {"dash texts after --",
       {"f.c", "--", "-2020", "2021"},
       "F.C",
       "-2020",
       "2021"},
      {"-- first", {"--", "-f", "-s"}, "-F", "-s", ""},
      {"a second -- is a text", {"f", "--", "--", "-x"}, "F", "--", "-x"},
      {"long options are texts",
       {"f", "--", "--help", "--sync"},
       "F",
       "--help",
       "--sync"},
      {"-G still works", {"f", "-G", "-2020", "2021"}, "F", "-2020", "2021"},
      {"-- after -G is a text", {"f", "-G", "--", "n"}, "F", "--", "n"},
      {"-G after -- is a text", {"f", "--", "-G", "-x"}, "F", "-G", "-x"},
  };
  for (const Case& c : cases) {
    auto p = P(c.args);
    EXPECT_EQ(p->outcome.status, RunStatus::None) << c.name;
    EXPECT_STREQ(p->s().filespec, c.filespec) << c.name;
    EXPECT_EQ(p->search(), c.search) << c.name;
    EXPECT_EQ(p->new_text(), c.new_text) << c.name;
  }

  // Switches before "--" still count; --sync after it is no switch.
  auto p = P({"-C", "f", "--", "-s", "--sync"});
  EXPECT_TRUE(p->s().case_sensitive());
  EXPECT_FALSE(p->s().sync);

  // Where '/' starts a switch, it is a text after "--".
  platform_.slash_switches = true;
  p = P({"f", "--", "/R", "/C"});
  EXPECT_EQ(p->outcome.status, RunStatus::None);
  EXPECT_EQ(p->search(), "/R");
  EXPECT_EQ(p->new_text(), "/C");
  EXPECT_EQ(Slots(p)[kRecurse], 0);
}

// A text longer than 261 bytes is refused whole, wherever it would go.
TEST_F(ParserTest, OverLongTextsAreRefusedNotCut) {
  const std::string long_text(262, 'q');
  platform_.environment["BIG"] = std::string(262, 'v');
  platform_.environment["FITS"] = std::string(261, 'v');
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string bad_text;
  } cases[] = {
      {"filespec", {long_text, "s"}, long_text},
      {"search text", {"f", long_text}, long_text},
      {"new text", {"f", "s", long_text}, long_text},
      {"-$ name", {"f", "s", "-$", long_text}, long_text},
      {"-E value", {"f", "s", "-E", "BIG"}, "BIG"},
      {"-L file name", {"f", "-L", long_text}, long_text},
  };
  for (const Case& c : cases) {
    auto p = P(c.args);
    EXPECT_EQ(p->outcome.status, RunStatus::BadArgument) << c.name;
    EXPECT_TRUE(p->outcome.bad_text_marked) << c.name;
    EXPECT_EQ(p->outcome.bad_text, c.bad_text) << c.name;
  }
  // Where a quote splits an argument, the rest after it is the text.
  platform_.quotes_split = true;
  auto after_quote = P({"f\" " + long_text});
  EXPECT_EQ(after_quote->outcome.status, RunStatus::BadArgument);
  EXPECT_EQ(after_quote->outcome.bad_text, long_text);
  platform_.quotes_split = false;
  auto p = P({"f", "s", "-E", "FITS"});
  EXPECT_EQ(p->outcome.status, RunStatus::None);
  EXPECT_EQ(p->new_text(), std::string(261, 'v'));
}

TEST_F(ParserTest, ArgumentCount) {
  std::vector<std::string> args = {"f", "s", "n"};
  while (args.size() < 126) args.push_back("-R");
  EXPECT_EQ(P(args)->outcome.status, RunStatus::None);
  args.push_back("-R");
  auto p = P(args);
  EXPECT_EQ(p->outcome.status, RunStatus::BadCommandLine);
  EXPECT_EQ(Slots(p)[kRecurse], 0);  // No argument was read.
}

TEST_F(ParserTest, EnvironmentTexts) {
  platform_.environment = {{"OLD", "from env"}, {"lower", "exact"}};
  struct Case {
    const char* name;
    std::vector<std::string> args;
    RunStatus status;
    const char* search;
  } cases[] = {
      {"variable as given", {"f", "-E", "lower"}, RunStatus::None, "exact"},
      {"variable upper-cased", {"f", "-E", "old"}, RunStatus::None, "from env"},
      {"unset variable", {"f", "-E", "nothere"}, RunStatus::BadCommandLine, ""},
      {"-GE falls back to the name",
       {"f", "-GE", "nothere"},
       RunStatus::None,
       "nothere"},
      {"-E acts on one argument",
       {"f", "-E", "OLD", "OLD"},
       RunStatus::None,
       "from env"},
  };
  for (const Case& c : cases) {
    auto p = P(c.args);
    EXPECT_EQ(p->outcome.status, c.status) << c.name;
    EXPECT_EQ(p->search(), c.search) << c.name;
  }
  EXPECT_EQ(P({"f", "-E", "OLD", "OLD"})->new_text(), "OLD");
}

TEST_F(ParserTest, ValidationFailures) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    RunStatus status;
    const char* bad_text;
  } cases[] = {
      {"nothing", {}, RunStatus::MissingFilespec, ""},
      {"only switches", {"-R"}, RunStatus::MissingFilespec, ""},
      {"no search", {"f"}, RunStatus::MissingSearch, ""},
      {"-A without new", {"f", "s", "-A"}, RunStatus::MissingNew, ""},
      {"-I without new", {"f", "s", "-I"}, RunStatus::MissingNew, ""},
      {"deletion is allowed", {"f", "s"}, RunStatus::None, ""},
      {"-$:F alone", {"-$:F"}, RunStatus::MissingOutputName, ""},
      {"-$:A replaces a bad switch",
       {"f", "s", "-$:A", "-Q"},
       RunStatus::MissingOutputName,
       "Q"},
      {"one text too many",
       {"f", "s", "n", "Extra"},
       RunStatus::BadArgument,
       "Extra"},
      {"pending switch", {"f", "s", "-#"}, RunStatus::BadArgument, ""},
      {"filespec checked before pending",
       {"-#"},
       RunStatus::MissingFilespec,
       ""},
  };
  for (const Case& c : cases) {
    auto p = P(c.args);
    EXPECT_EQ(p->outcome.status, c.status) << c.name;
    EXPECT_EQ(p->outcome.bad_text, c.bad_text) << c.name;
  }
}

TEST_F(ParserTest, DefaultOutputDirectory) {
  auto p = P({"f", "s", "-$"});
  EXPECT_STREQ(p->s().output_name, "/home/user/work");
  EXPECT_EQ(Slots(p)[kOutputPending], '$');
  EXPECT_EQ(Slots(p)[kNoIntelligent], '~');

  // A name that does not fit, or none at all, is not cut to another
  // directory's name: the current directory is used as ".".
  platform_.current_directory = "/" + std::string(300, 'd');
  EXPECT_STREQ(P({"f", "s", "-$:B"})->s().output_name, ".");
  platform_.current_directory_fails = true;
  EXPECT_STREQ(P({"f", "s", "-$"})->s().output_name, ".");

  // A single output file never defaults.
  EXPECT_EQ(P({"f", "s", "-$:F"})->outcome.status,
            RunStatus::MissingOutputName);
}

TEST_F(ParserTest, Anchors) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* search;
    uint8_t start;
    uint8_t end;
  } cases[] = {
      {"both anchors", {"f", "#abc!"}, "abc", '#', '%'},
      {"start only", {"f", "#"}, "", '#', 0},
      {"both, empty text", {"f", "#!"}, "", '#', '%'},
      {"-3 keeps #", {"f", "#abc", "-3"}, "#abc", 0, 0},
      {"-4 keeps !", {"f", "abc!", "-4"}, "abc!", 0, 0},
      {"changed end character", {"f", "abc?", "-4:?"}, "abc", 0, '%'},
      {"! alone", {"f", "!"}, "", 0, '%'},
  };
  for (const Case& c : cases) {
    auto p = P(c.args);
    EXPECT_EQ(p->outcome.status, RunStatus::None) << c.name;
    EXPECT_EQ(p->search(), c.search) << c.name;
    EXPECT_EQ(Slots(p)[kStartAnchor], c.start) << c.name;
    EXPECT_EQ(Slots(p)[kEndAnchor], c.end) << c.name;
  }
}

TEST_F(ParserTest, FunctionCharacterChecks) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    RunStatus status;
  } cases[] = {
      {"& refused", {"f", "s", "n&", "-K:0&"}, RunStatus::BadCommandLine},
      {"& allowed when -2 is off",
       {"f", "s", "n", "-K:0&", "-2"},
       RunStatus::None},
      {"changed -2 character refused",
       {"f", "s", "n", "-K:0%", "-2:%"},
       RunStatus::BadCommandLine},
      {"& allowed when -2 changed",
       {"f", "s", "n", "-K:0&", "-2:%"},
       RunStatus::None},
      {"no check without new text", {"f", "s", "-K:0&"}, RunStatus::None},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(P(c.args)->outcome.status, c.status) << c.name;
  }
}

TEST_F(ParserTest, NewTextPreparedOnce) {
  // -K characters first, then -': a -K:0 quote and a converted apostrophe.
  auto p = P({"f", "s", "a'Q'b", "-K:0Q", "-'"});
  EXPECT_EQ(p->new_text(), "a\"\"\"b");

  // Random modes draw from seed 1 (first draw 16838 gives '8').
  p = P({"f", "s", "id#", "-K:1#"});
  EXPECT_EQ(p->new_text(), "id8");

  p = P({"f", "s", "id#", "-K:1#,RM"});
  EXPECT_TRUE(p->s().functions.random_modes);

  // -' is not applied to a bad command line.
  p = P({"f", "s", "it's", "-'", "-Q"});
  EXPECT_EQ(p->new_text(), "it's");
}

}  // namespace
}  // namespace swu
