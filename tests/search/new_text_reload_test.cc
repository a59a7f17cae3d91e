// Reloading the new text's -L file: the outcome characters.

#include "search/new_text_reload.h"

#include <gtest/gtest.h>

#include <string>

#include "cli/parse_helper.h"

namespace swu {
namespace {

class NewTextReloadTest : public ::testing::Test {
 protected:
  // Loads a 300-byte new text from a file, then scribbles over it.
  void SetUp() override {
    contents_ = std::string(300, 'n');
    path_ = dir_.Write("new.txt", contents_);
    parsed_ = Parse({"f", "s", "-L", path_}, &platform_);
    ASSERT_EQ(parsed_->outcome.status, RunStatus::None);
    parsed_->s().new_text()[0] = 'X';
  }

  CliTestPlatform platform_;
  TempDir dir_;
  std::string contents_;
  std::string path_;
  std::unique_ptr<Parsed> parsed_;
};

TEST_F(NewTextReloadTest, RestoresTheFilesBytes) {
  EXPECT_TRUE(ReloadNewText(parsed_->settings.get(), &platform_));
  EXPECT_EQ(parsed_->new_text(), contents_);
  EXPECT_EQ(parsed_->s()[kLoadNew], 'L');
}

TEST_F(NewTextReloadTest, FailuresRecordTheirReason) {
  struct Case {
    const char* name;
    std::string replacement;  // new contents; empty: delete the file
    uint8_t status;
  } cases[] = {
      {"grown", std::string(301, 'n'), '4'},
      {"shrunk", std::string(10, 'n'), '4'},
      {"gone", "", '1'},
  };
  for (const Case& c : cases) {
    parsed_->s()[kLoadNew] = 'L';
    if (c.replacement.empty()) {
      platform_.DeleteFile(path_);
    } else {
      dir_.Write("new.txt", c.replacement);
    }
    EXPECT_FALSE(ReloadNewText(parsed_->settings.get(), &platform_)) << c.name;
    EXPECT_EQ(parsed_->s()[kLoadNew], c.status) << c.name;
  }
}

}  // namespace
}  // namespace swu
