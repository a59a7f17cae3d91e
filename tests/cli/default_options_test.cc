// SWU_OPTIONS: switches read ahead of the command line.

#include "cli/default_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_test_platform.h"
#include "slots_of.h"

namespace swu {
namespace {

class DefaultOptionsTest : public ::testing::Test {
 protected:
  ParseOutcome P(std::vector<std::string> args) {
    args.insert(args.begin(), "swu");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    return ParseWithDefaultOptions(static_cast<int>(args.size()), argv.data(),
                                   &platform_, &platform_, &settings_);
  }
  CliTestPlatform platform_;
  Settings settings_;
};

TEST_F(DefaultOptionsTest, CommandLineSwitchesComeLaterAndWin) {
  platform_.environment["SWU_OPTIONS"] = " -V:1\t-D --word\n-C ";
  ParseOutcome outcome = P({"f", "s", "-V:3", "-D:P"});
  EXPECT_EQ(outcome.status, RunStatus::None);
  EXPECT_EQ(settings_.verbosity(), 3);
  EXPECT_EQ(settings_.line_mode(), LineMode::kKeepEmpty);
  EXPECT_TRUE(settings_.word);
  EXPECT_TRUE(settings_.case_sensitive());
  EXPECT_EQ(settings_.added_options, "-V:1 -D --word -C");
}

TEST_F(DefaultOptionsTest, NoOptionsLeavesTheVariableOut) {
  platform_.environment["SWU_OPTIONS"] = "-C";
  ParseOutcome outcome = P({"f", "--no-options", "s"});
  EXPECT_EQ(outcome.status, RunStatus::None);
  EXPECT_FALSE(settings_.case_sensitive());
  EXPECT_EQ(settings_.added_options, "");
}

// A word that is no switch would take <filespec>'s place.
TEST_F(DefaultOptionsTest, AWordThatIsNoSwitchIsNamed) {
  struct Case {
    const char* value;
    const char* bad_text;
  } cases[] = {{"-C old", "SWU_OPTIONS: old"},
               {"-- -C", "SWU_OPTIONS: --"},
               {"--files-from list", "SWU_OPTIONS: list"}};
  for (const Case& c : cases) {
    platform_.environment["SWU_OPTIONS"] = c.value;
    ParseOutcome outcome = P({"f", "s"});
    EXPECT_EQ(outcome.status, RunStatus::BadArgument) << c.value;
    EXPECT_EQ(outcome.bad_text, c.bad_text) << c.value;
  }
}

}  // namespace
}  // namespace swu
