// The -K characters: the generator's sequence, what each mode makes, the
// list order, and the renewal per match or per file.

#include "result/function_chars.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cli/parse_helper.h"
#include "fakes/parse_for_test.h"
#include "fakes/temp_dir.h"
#include "result/new_text.h"

namespace swu {
namespace {

// The generator written out with 64-bit arithmetic, independently of the
// one under test.
class ReferenceGenerator {
 public:
  int Next() {
    state_ = (state_ * 1103515245ULL + 12345ULL) % 4294967296ULL;
    return static_cast<int>((state_ / 65536) % 32768);
  }

 private:
  uint64_t state_ = 1;
};

class FunctionCharsTest : public ::testing::Test {
 protected:
  // Sets up |text| as the new text with the -K entries |entries| (pairs of
  // mode and character) and a generator seeded with 1.
  void SetUpText(const std::string& text,
                 const std::vector<SpecialFunction>& entries) {
    settings_ = std::make_unique<Settings>();
    memcpy(settings_->new_buffer, text.data(), text.size());
    settings_->new_length = static_cast<uint32_t>(text.size());
    for (const SpecialFunction& e : entries) {
      settings_->functions.entries[++settings_->functions.last] = e;
      if (IsRandomMode(e.mode)) settings_->functions.random_modes = true;
    }
    text_ = text;
    random_.Seed(1);
  }
  void Apply() { ApplyFunctionChars(settings_->functions, &random_, &text_); }
  std::string Text() const { return text_; }
  static std::string TextOf(const NewText& text) {
    return std::string(reinterpret_cast<const char*>(text.data()),
                       static_cast<size_t>(text.size()));
  }
  static SpecialFunction F(int32_t mode, char c) {
    SpecialFunction f;
    f.mode = mode;
    f.character = static_cast<uint8_t>(c);
    return f;
  }

  std::unique_ptr<Settings> settings_;
  std::string text_;
  Random random_;
  CliTestPlatform platform_;
};

TEST_F(FunctionCharsTest, GeneratorFromSeedOne) {
  Random random;
  random.Seed(1);
  ReferenceGenerator reference;
  const int known[] = {16838, 5758, 10113, 17515, 31051, 5627, 23010, 7419};
  for (int expected : known) {
    EXPECT_EQ(reference.Next(), expected);
    EXPECT_EQ(random.NextRandom(), expected);
  }
  for (int i = 0; i < 1000; ++i)
    ASSERT_EQ(random.NextRandom(), reference.Next());
}

TEST_F(FunctionCharsTest, EachMode) {
  // Twelve '~' replaced; a drawing mode takes the first twelve draws of
  // the generator seeded with 1 (16838, 5758, 10113, ...).
  struct Case {
    const char* name;
    int32_t mode;
    std::string made;
  } cases[] = {
      {"0 quote", 0, std::string(12, '"')},
      {"1 digit", 1, "883517092697"},
      {"2 lower", 2, "qmzrhlajoetb"},
      {"3 upper", 3, "QMZRHLAJOETB"},
      {"4 lower or digit", 4, "087ttlgdmsnx"},
      {"5 upper or digit", 5, "087TTLGDMSNX"},
      {"6 left to the writer", 6, std::string(12, '~')},
      {"7 BEL", 7, std::string(12, '\a')},
      {"8 BS", 8, std::string(12, '\b')},
      {"9 NUL", 9, std::string(12, '\0')},
      {"C percent", 'C', std::string(12, '%')},
      {"G greater", 'G', std::string(12, '>')},
      {"L less", 'L', std::string(12, '<')},
      {"H lower hex", 'H', "6e1bbb2b46df"},
      {"I upper hex", 'I', "6E1BBB2B46DF"},
  };
  for (const Case& c : cases) {
    SetUpText("x~~~~~~~~~~~~y", {F(c.mode, '~')});
    Apply();
    EXPECT_EQ(Text(), "x" + c.made + "y") << c.name;
    // Renewal asks IsRandomMode, so it must name exactly the modes that
    // draw: a generator that drew no longer starts at the first draw.
    Random untouched;
    untouched.Seed(1);
    EXPECT_EQ(random_.NextRandom() != untouched.NextRandom(),
              IsRandomMode(c.mode))
        << c.name;
  }
}

TEST_F(FunctionCharsTest, FirstEntryThatIsNotModeSixWins) {
  SetUpText("a-b-c", {F(6, '-'), F(7, '-'), F(0, '-'), F(1, 'c')});
  Apply();
  EXPECT_EQ(Text(), "a\ab\a8");  // Only the 'c' draws: '0' + 16838 % 10.
}

TEST_F(FunctionCharsTest, ApostrophesOnlyWithSwitch) {
  Settings settings;
  ParseForTest("s", "it's 'x'", "", &settings);
  NewText plain(settings, &platform_, &platform_, &random_);
  plain.Prepare();
  EXPECT_EQ(TextOf(plain), "it's 'x'");
  ParseForTest("s", "it's 'x'", "-'", &settings);
  NewText changed(settings, &platform_, &platform_, &random_);
  changed.Prepare();
  EXPECT_EQ(TextOf(changed), "it\"s \"x\"");
}

TEST_F(FunctionCharsTest, ResetWantedNeedsLetterListAndRandomMode) {
  Settings settings;
  ParseForTest("s", "#", "-K:1#", &settings);
  EXPECT_FALSE(ResetWanted(settings, true));
  ParseForTest("s", "#", "-K:1#,RM", &settings);
  EXPECT_TRUE(ResetWanted(settings, true));
  EXPECT_FALSE(ResetWanted(settings, false));
  ParseForTest("s", "#", "-K:0#,RM", &settings);  // draws no number
  EXPECT_FALSE(ResetWanted(settings, true));
}

TEST_F(FunctionCharsTest, RenewContinuesTheSequenceAndConvertsAgain) {
  Settings settings;
  ParseForTest("s", "'##'", "-K:1#,RM -'", &settings);
  random_.Seed(1);
  NewText text(settings, &platform_, &platform_, &random_);
  text.Prepare();
  ReferenceGenerator reference;
  std::string first = "\"";
  first += static_cast<char>('0' + reference.Next() % 10);
  first += static_cast<char>('0' + reference.Next() % 10);
  first += "\"";
  EXPECT_EQ(TextOf(text), first);

  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(text.RenewAfterMatch());
    std::string next = "\"";
    next += static_cast<char>('0' + reference.Next() % 10);
    next += static_cast<char>('0' + reference.Next() % 10);
    next += "\"";
    EXPECT_EQ(TextOf(text), next) << "round " << round;
  }
}

TEST_F(FunctionCharsTest, RenewReadsALargeFileAgain) {
  TempDir dir;
  std::string contents = std::string(299, 'x') + "#";
  std::string path = dir.Write("new.txt", contents);
  CliTestPlatform platform;
  auto p = Parse({"f", "s", "-L", path, "-K:H#,RF"}, &platform);
  ASSERT_EQ(p->outcome.status, RunStatus::None);
  ASSERT_TRUE(p->s().new_text_in_block());
  NewText text(p->s(), &platform, &platform, &p->random);
  text.Prepare();
  ASSERT_TRUE(text.RenewBetweenFiles());
  EXPECT_EQ(TextOf(text).substr(0, 299), contents.substr(0, 299));
  EXPECT_NE(TextOf(text).back(), '#');
  EXPECT_FALSE(text.reload_failure().has_value());
}

}  // namespace
}  // namespace swu
