// Tests of the replace loop's renewal of the new text after each acted-on
// match (-K:RM), and of the early stop when that renewal fails.

#include "search/replace_loop.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes/fault_platform.h"
#include "fakes/parse_for_test.h"
#include "fakes/temp_dir.h"
#include "output/emitter.h"
#include "output/new_text.h"
#include "output/output_buffer.h"
#include "output/result_writer.h"
#include "search/loader.h"

namespace swu {
namespace {

class ReplaceLoopTest : public ::testing::Test {
 protected:
  // |renew| runs after every acted-on match with the run's <new>.
  FileStatus Run(const std::string& image,
                 std::function<bool(NewText*)> renew) {
    dir_.Write("f", image);
    FileBuffer buffer(&platform_);
    LoadedFile loaded;
    CreateState create = CreateState::None;
    EXPECT_EQ(LoadCurrentFile(settings_, &platform_, dir_.Path("f"), "",
                              &create, &buffer, &loaded),
              FileError::None);
    ReplaceState state;
    Matcher matcher(settings_);
    bool no_amp = false;
    OutputBuffer out(loaded.stream.get());
    Random random;
    NewText new_text(settings_, &platform_, &random);
    new_text.Prepare();
    Emitter emitter(settings_, new_text, &buffer, &out, &no_amp);
    ResultWriter writer(settings_, &platform_, &buffer, &emitter, &out,
                        loaded.target, &state);
    ReplaceLoop loop(settings_, &buffer, &matcher, &writer, &state,
                     [&] { return renew(&new_text); });
    loop.Run();
    return writer.CommitFile();
  }

  TempDir dir_;
  FaultPlatform platform_;
  Settings settings_;
};

TEST_F(ReplaceLoopTest, RenewsTheNewTextAfterEveryActedMatch) {
  ParseForTest("x", "#", "-#:O -K:2#,RM", &settings_);
  int renewals = 0;
  FileStatus status = Run("x x x", [&](NewText* text) {
    ++renewals;
    return text->Renew(/*per_match=*/true);
  });
  EXPECT_EQ(status, 2);
  EXPECT_EQ(renewals, 2);
  // The first two lower-case letters of the sequence from seed 1.
  EXPECT_EQ(dir_.Read("f"), "q x m");
}

TEST_F(ReplaceLoopTest, FailedRenewalStopsAndPutsTheFileBack) {
  ParseForTest("x", "YY", "", &settings_);
  FileStatus status = Run("x x x", [](NewText*) { return false; });
  EXPECT_EQ(status, static_cast<FileStatus>(FileError::ReloadFailed));
  EXPECT_EQ(dir_.Read("f"), "x x x");
}

}  // namespace
}  // namespace swu
