// Reading the new text's -L file again: the bytes, and why it failed.

#include "result/new_text.h"

#include <gtest/gtest.h>

#include <string>

#include "cli/parse_helper.h"
#include "fakes/temp_dir.h"

namespace swu {
namespace {

class NewTextTest : public ::testing::Test {
 protected:
  // Loads a 300-byte new text from a file, then scribbles over it.
  void SetUp() override {
    contents_ = std::string(300, 'n');
    path_ = dir_.Write("new.txt", contents_);
    parsed_ = Parse({"f", "s", "-L", path_}, &platform_);
    ASSERT_EQ(parsed_->outcome.status, RunStatus::None);
    text_ = parsed_->new_text();
    text_[0] = 'X';
  }

  CliTestPlatform platform_;
  TempDir dir_;
  std::string contents_;
  std::string path_;
  std::unique_ptr<Parsed> parsed_;
  std::string text_;
};

TEST_F(NewTextTest, RestoresTheFilesBytes) {
  EXPECT_EQ(ReloadTextFile(path_, &platform_, &text_), LoadStatus::kInBlock);
  EXPECT_EQ(text_, contents_);
}

TEST_F(NewTextTest, FailuresRecordTheirReason) {
  struct Case {
    const char* name;
    std::string replacement;  // new contents; empty: delete the file
    LoadStatus status;
  } cases[] = {
      {"grown", std::string(301, 'n'), LoadStatus::kBadSize},
      {"shrunk", std::string(10, 'n'), LoadStatus::kBadSize},
      {"gone", "", LoadStatus::kNotFound},
  };
  for (const Case& c : cases) {
    if (c.replacement.empty()) {
      platform_.DeleteFile(path_);
    } else {
      dir_.Write("new.txt", c.replacement);
    }
    EXPECT_EQ(ReloadTextFile(path_, &platform_, &text_), c.status) << c.name;
  }
}

}  // namespace
}  // namespace swu
