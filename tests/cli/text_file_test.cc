// -L files: where the text ends up, every load status, and that no byte
// of the file is changed or dropped.

#include "cli/text_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/temp_dir.h"
#include "parse_helper.h"
#include "slots_of.h"

namespace swu {
namespace {

class TextFileTest : public ::testing::Test {
 protected:
  std::unique_ptr<Parsed> P(const std::vector<std::string>& args) {
    return Parse(args, &platform_);
  }
  CliTestPlatform platform_;
  TempDir dir_;
};

TEST_F(TextFileTest, LoadsIntoBufferOrBlock) {
  struct Case {
    const char* name;
    std::string contents;
    uint8_t status;
  } cases[] = {
      {"one byte", "x", 0},
      {"raw bytes kept", std::string("a\r\n\"'\0b", 7), 0},
      {"261 bytes fit the buffer", std::string(261, 'q'), 0},
      {"262 bytes get a block", std::string(262, 'q'), 'L'},
      {"large file", std::string(100000, 'z'), 'L'},
  };
  for (const Case& c : cases) {
    std::string path = dir_.Write("search.txt", c.contents);
    auto p = P({"f", "-L", path, "-L", path});
    EXPECT_EQ(p->outcome.status, RunStatus::None) << c.name;
    EXPECT_EQ(Slots(p)[kLoadSearch], c.status) << c.name;
    EXPECT_EQ(Slots(p)[kLoadNew], c.status) << c.name;
    EXPECT_EQ(p->search(), c.contents) << c.name;
    EXPECT_EQ(p->new_text(), c.contents) << c.name;
    EXPECT_STREQ(p->s().search_file, path.c_str()) << c.name;
    EXPECT_EQ(p->s().new_text_in_block(), c.status == 'L') << c.name;
  }
}

TEST_F(TextFileTest, LoadFailures) {
  std::string empty = dir_.Write("empty.txt", "");
  std::string good = dir_.Write("good.txt", "good");
  std::string missing = dir_.Path("missing.txt");
  struct Case {
    const char* name;
    std::vector<std::string> args;
    uint8_t search_status;
    uint8_t new_status;
  } cases[] = {
      {"search name missing", {"f", "-L"}, '6', 0},
      {"new name missing", {"f", "s", "-L"}, 0, '6'},
      {"search file empty", {"f", "-L", empty}, '4', 0},
      {"search file missing", {"f", "-L", missing}, '1', 0},
      {"new file missing", {"f", "-L", good, "-L", missing}, 0, '1'},
      {"a directory is not a file", {"f", "s", "-L", dir_.Path("")}, 0, '1'},
      {"new file not loaded after search failed",
       {"f", "-L", missing, "-L", good},
       '1',
       'L'},
  };
  for (const Case& c : cases) {
    auto p = P(c.args);
    EXPECT_EQ(p->outcome.status, RunStatus::TextFileFailed) << c.name;
    EXPECT_EQ(Slots(p)[kLoadSearch], c.search_status) << c.name;
    EXPECT_EQ(Slots(p)[kLoadNew], c.new_status) << c.name;
  }
}

TEST_F(TextFileTest, SearchFileIsAnchoredLikeTypedText) {
  std::string path = dir_.Write("s.txt", "#line!");
  auto p = P({"f", "-L", path});
  EXPECT_EQ(p->search(), "line");
  EXPECT_EQ(Slots(p)[kStartAnchor], '#');
  EXPECT_EQ(Slots(p)[kEndAnchor], '%');
}

TEST_F(TextFileTest, LargeNewTextWithResetIsGenerated) {
  // A new text in a block of its own is restored by reading the file again.
  std::string path = dir_.Write("n.txt", std::string(300, '#'));
  auto p = P({"f", "s", "-L", path, "-K:1#,RF"});
  EXPECT_EQ(p->outcome.status, RunStatus::None);
  EXPECT_EQ(p->new_text().find('#'), std::string::npos);
}

}  // namespace
}  // namespace swu
