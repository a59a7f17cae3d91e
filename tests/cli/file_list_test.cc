// --files-from and --files0-from: how a list is split into names, and
// what a list option does to the command line.

#include "cli/file_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/temp_dir.h"
#include "parse_helper.h"

namespace swu {
namespace {

using Names = std::vector<std::string>;

TEST(FileListTest, SplitsNamesAsBytes) {
  struct Case {
    const char* name;
    std::string bytes;
    char separator;
    Names names;
  } cases[] = {
      {"LF list, last name unended", "a\nb c\nd", '\n', {"a", "b c", "d"}},
      {"empty lines skipped", "\n\na\n\n\nb\n", '\n', {"a", "b"}},
      {"CR before LF dropped", "a\r\nb\r\n", '\n', {"a", "b"}},
      {"CR at the very end dropped", "a\r", '\n', {"a"}},
      {"CR elsewhere kept", "a\rb\n\r\r\n", '\n', {"a\rb", "\r"}},
      {"NUL list keeps line breaks",
       std::string("a\nb\0c\r\n\0\0\xE9\0", 10),
       '\0',
       {"a\nb", "c\r\n", "\xE9"}},
  };
  for (const Case& c : cases) {
    Names names;
    SplitFileList(c.bytes, c.separator, &names);
    EXPECT_EQ(names, c.names) << c.name;
  }
}

class FileListParseTest : public ::testing::Test {
 protected:
  std::unique_ptr<Parsed> P(const std::vector<std::string>& args) {
    return Parse(args, &platform_);
  }
  CliTestPlatform platform_;
};

// The list stands for <filespec> wherever the option stands, and the
// texts fill <search> and <new>.
TEST_F(FileListParseTest, ListTakesThePlaceOfTheFilespec) {
  platform_.standard_input = std::string("x.c\0y z.c\0", 10);
  for (auto args : {std::vector<std::string>{"--files0-from", "-", "o", "n"},
                    std::vector<std::string>{"o", "n", "--files0-from=-"},
                    std::vector<std::string>{"o", "--files0-from", "-", "n"}}) {
    auto p = P(args);
    EXPECT_EQ(p->outcome.status, RunStatus::None) << args[0];
    EXPECT_STREQ(p->s().filespec, "") << args[0];
    EXPECT_EQ(p->search(), "o") << args[0];
    EXPECT_EQ(p->new_text(), "n") << args[0];
    EXPECT_EQ(p->s().listed_files, (Names{"x.c", "y z.c"})) << args[0];
  }
  TempDir dir;
  auto p = P({"--files-from", dir.Write("list", "a\r\nb\n"), "o"});
  EXPECT_EQ(p->s().listed_files, (Names{"a", "b"}));
  // After "--" a list option is a text.
  p = P({"f", "--", "--files-from", "-"});
  EXPECT_FALSE(p->s().files_listed());
  EXPECT_EQ(p->search(), "--files-from");
}

TEST_F(FileListParseTest, ErrorsNameTheArgument) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    RunStatus status;
    const char* bad_text;
  } cases[] = {
      {"no list name",
       {"o", "n", "--files-from"},
       RunStatus::BadArgument,
       "--files-from"},
      {"empty list name",
       {"o", "--files0-from="},
       RunStatus::BadArgument,
       "--files0-from"},
      {"-R",
       {"o", "-RC", "--files0-from", "-"},
       RunStatus::BadArgument,
       "-R with --files0-from"},
      {"a filespec as well",
       {"--files-from", "-", "*.c", "o", "n"},
       RunStatus::BadArgument,
       "n"},
      {"list cannot be read",
       {"--files-from", "/no/such/list", "o"},
       RunStatus::TextFileFailed,
       ""},
  };
  for (const Case& c : cases) {
    auto p = P(c.args);
    EXPECT_EQ(p->outcome.status, c.status) << c.name;
    EXPECT_EQ(p->outcome.bad_text, c.bad_text) << c.name;
  }
  platform_.standard_input_fails = true;
  auto p = P({"--files-from", "-", "o"});
  EXPECT_EQ(p->outcome.status, RunStatus::TextFileFailed);
  EXPECT_TRUE(p->s().list_unreadable);
}

}  // namespace
}  // namespace swu
