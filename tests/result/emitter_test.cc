// Tests of the emitter at one match: what it writes, the count it returns
// (CR LF conversions included), how far it consumes, and the insertion.

#include "result/emitter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "fakes/memory_stream.h"
#include "fakes/parse_for_test.h"
#include "search/matcher.h"

namespace swu {
namespace {

class EmitterTest : public ::testing::Test {
 protected:
  // Loads |image|, finds the first match of |search| and emits at it.
  void EmitFirst(const std::string& image, const std::string& search,
                 const std::string& new_text, const std::string& switches) {
    ParseForTest(search, new_text, switches, &settings_);
    ASSERT_TRUE(buffer_.MakeRoom(static_cast<int64_t>(image.size())));
    memcpy(buffer_.block(), image.data(), image.size());
    buffer_.SetImage(static_cast<int64_t>(image.size()));
    Matcher matcher(settings_);
    ASSERT_TRUE(FileSearch(&matcher).FindNextMatch(buffer_, 0, &match_));
    buffer_.position += match_.offset;
    text_ = std::make_unique<NewText>(settings_, Platform::Default(),
                                      Platform::Default(), &random_);
    // A file without a break of its own gets CR LF, as on Windows.
    Emitter emitter(settings_, text_.get(), &buffer_, &out_, 2);
    Emitter::Emission emission = emitter.EmitAtMatch(match_);
    written_ = emission.written;
    match_.consumed = emission.consumed;
    buffer_.position += emission.consumed;  // as the result writer does
    inserts_ = emitter.insert_count();
    out_.Flush();
  }

  Settings settings_;
  FileBuffer buffer_{Platform::Default()};
  MemoryStream stream_;
  OutputBuffer out_{&stream_};
  Match match_;
  Random random_;
  std::unique_ptr<NewText> text_;
  int64_t written_ = 0;
  int64_t inserts_ = 0;
};

TEST_F(EmitterTest, CountsExpansions) {
  EmitFirst("-abc-", "abc", "x&y&", "");
  EXPECT_EQ(stream_.data(), "xabcyabc");
  EXPECT_EQ(written_, 8);
  EXPECT_EQ(inserts_, 2);
  EXPECT_EQ(buffer_.position, 4);
  EXPECT_FALSE(text_->amp_free());
}

TEST_F(EmitterTest, TextAfterTheLastAmpersandLeavesTheShortcutUnset) {
  EmitFirst("-abc-", "abc", "x&y", "");
  EXPECT_EQ(stream_.data(), "xabcy");
  EXPECT_FALSE(text_->amp_free());
}

TEST_F(EmitterTest, NewTextWithoutAmpersandSetsTheShortcut) {
  EmitFirst("abc", "b", "x", "");
  EXPECT_TRUE(text_->amp_free());
}

TEST_F(EmitterTest, DisabledAmpersandIsPlainText) {
  EmitFirst("abc", "b", "&", "-2");
  EXPECT_EQ(stream_.data(), "&");
  EXPECT_EQ(inserts_, 0);
}

TEST_F(EmitterTest, LineBreakConversionsAddToTheCount) {
  EmitFirst("abc", "b", "a~b", "-K:6~");
  EXPECT_EQ(stream_.data(), "a\r\nb");
  EXPECT_EQ(written_, 4);
}

TEST_F(EmitterTest, OverwriteConsumesWhatTheLongerTextCovers) {
  EmitFirst("abcde", "b", "XYZ", "-O");
  EXPECT_EQ(match_.consumed, 3);
  EXPECT_EQ(buffer_.position, 4);
}

TEST_F(EmitterTest, OverwriteDoesNothingInLineMode) {
  EmitFirst("ab\r\ncd", "b", "XYZWV", "-O -D");
  EXPECT_EQ(match_.consumed, 2);
}

TEST_F(EmitterTest, UnmodifiedLinesKeepTheNextEmptyLine) {
  // The matcher already took the break (-D, empty new text).
  EmitFirst("xb\r\n\r\nc", "x", "", "-U -D");
  EXPECT_EQ(match_.consumed, 4);
}

TEST_F(EmitterTest, PadCountsTheLineInLineMode) {
  EmitFirst("abcd\r\n", "b", "N", "-N -D");
  EXPECT_EQ(stream_.data(), "N   ");
  EXPECT_EQ(written_, 4);
}

TEST_F(EmitterTest, WholeLineExpansionIsTheConsumedRegion) {
  EmitFirst("abcd\r\n", "bc", "<&>", "-X -D:L");
  EXPECT_EQ(stream_.data(), "<bcd>");
}

class EmitterInsertionTest : public ::testing::Test {
 protected:
  int64_t Insert(const std::string& image, const std::string& new_text,
                 const std::string& switches) {
    ParseForTest("q", new_text, switches, &settings_);
    if (image.empty()) {
      EXPECT_TRUE(buffer_.MakeCreatedImage());
    } else {
      EXPECT_TRUE(buffer_.MakeRoom(static_cast<int64_t>(image.size())));
      memcpy(buffer_.block(), image.data(), image.size());
      buffer_.SetImage(static_cast<int64_t>(image.size()));
    }
    NewText text(settings_, Platform::Default(), Platform::Default(), &random_);
    Emitter emitter(settings_, &text, &buffer_, &out_, 2);
    emitter.set_insertion_text("q");
    int64_t written = emitter.EmitInsertion();
    out_.Flush();
    return written;
  }

  Settings settings_;
  FileBuffer buffer_{Platform::Default()};
  MemoryStream stream_;
  OutputBuffer out_{&stream_};
  Random random_;
};

TEST_F(EmitterInsertionTest, EmptyNewTextWritesNothing) {
  EXPECT_EQ(Insert("abc", "", "-T"), 0);
  EXPECT_EQ(stream_.data(), "");
}

TEST_F(EmitterInsertionTest, LineModeAddsBreaksAroundTheText) {
  EXPECT_EQ(Insert("abc", "N~", "-T -D -K:6~"), 2 + 3 + 2);
  EXPECT_EQ(stream_.data(), "\r\nN\r\n\r\n");
}

TEST_F(EmitterInsertionTest, CreatedFileNeedsNoLeadingBreak) {
  EXPECT_EQ(Insert("", "N", "-T -D"), 3);
  EXPECT_EQ(stream_.data(), "N\r\n");
}

TEST_F(EmitterInsertionTest, CaseAndPadDoNotApply) {
  EXPECT_EQ(Insert("abc", "&", "-T -&:U -N"), 1);
  EXPECT_EQ(stream_.data(), "q");
}

}  // namespace
}  // namespace swu
