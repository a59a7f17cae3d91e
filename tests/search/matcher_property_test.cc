// Property tests of the matcher against the naive reference: on random
// images and search texts (CR, LF, NUL, high bytes, bytes one case bit away
// from a letter, wildcards, both cases, anchors, -C on and off, the
// wildcard disabled, every line mode, --word) every search must give the match
// record that the reference gives, by trying every start in turn. Long
// texts over near copies of themselves drive the switch to the linear
// piece search.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "fakes/parse_for_test.h"
#include "platform/platform.h"
#include "search/matcher.h"
#include "search/naive_reference.h"

namespace swu {
namespace {

struct Sample {
  std::string image;
  std::string text;  // without anchors
  bool start_anchor = false;
  bool end_anchor = false;
  bool case_sensitive = false;     // -C
  bool wildcard_disabled = false;  // -1
  std::string line_switch;         // "", -D, -D:P, -D:L, -D:R, -U or -M
  bool new_text_empty = false;
  bool word = false;  // --word
  int64_t position = 0;

  std::string Switches() const {
    return std::string(case_sensitive ? "-C " : "") +
           (wildcard_disabled ? "-1 " : "") + (word ? "--word " : "") +
           line_switch;
  }
  NaiveRules Rules() const {
    NaiveRules rules;
    rules.text = text;
    rules.wildcard = wildcard_disabled ? -1 : '@';
    rules.case_sensitive = case_sensitive;
    rules.start_anchor = start_anchor;
    rules.end_anchor = end_anchor;
    const char* s = line_switch.c_str();
    if (line_switch == "-D") rules.line_mode = LineMode::kWhole;
    if (line_switch.size() == 4) rules.line_mode = static_cast<LineMode>(s[3]);
    if (line_switch == "-U") rules.line_filter = LineFilter::kUnmodifiedOnly;
    if (line_switch == "-M") rules.line_filter = LineFilter::kModifiedOnly;
    rules.new_text_empty = new_text_empty;
    rules.word = word;
    return rules;
  }
};

// The match the reference finds from |resume| bytes after the position;
// false when there is none.
bool Expected(const Sample& sample, int64_t resume, Match* match) {
  NaiveRules rules = sample.Rules();
  int64_t s = NaiveFind(rules, sample.image, sample.position + resume);
  if (s < 0) return false;
  *match = NaiveMatchAt(rules, sample.image, sample.position, s);
  return true;
}

// Walks the image as the replace loop does, resuming after each match
// (sometimes further on), then repeats one earlier search as -#:L does.
// Returns a description of the first disagreement with the reference, or
// "".
std::string CheckAllSearches(const Sample& sample, const Settings& settings,
                             std::mt19937* random, bool* by_pieces) {
  FileBuffer buffer(Platform::Default());
  int64_t size = static_cast<int64_t>(sample.image.size());
  EXPECT_TRUE(buffer.MakeRoom(size > 0 ? size : 1));
  memcpy(buffer.block(), sample.image.data(), sample.image.size());
  buffer.SetImage(size);
  buffer.position = sample.position;
  Matcher matcher(settings);
  FileSearch search(&matcher);
  auto differs = [&](int64_t resume) -> std::string {
    Match found, expected;
    std::string got =
        DescribeMatch(search.FindNextMatch(buffer, resume, &found), found);
    std::string want =
        DescribeMatch(Expected(sample, resume, &expected), expected);
    if (got == want) return "";
    return "resume " + std::to_string(resume) + ": found " + got +
           ", expected " + want;
  };
  int64_t length = static_cast<int64_t>(sample.text.size());
  int64_t resume = 0;
  int64_t earlier = 0;
  for (int step = 0;; ++step) {
    if (std::string fault = differs(resume); !fault.empty()) return fault;
    Match match;
    if (!Expected(sample, resume, &match)) break;
    if (step == 1) earlier = resume;
    resume = match.start - sample.position + (length > 0 ? length : 1) +
             static_cast<int64_t>((*random)() % 4 == 0 ? (*random)() % 5 : 0);
  }
  if (std::string fault = differs(earlier); !fault.empty()) {
    return "repeated search: " + fault;
  }
  *by_pieces = search.searching_by_pieces();
  return "";
}

// The settings of |sample|'s search text and switches, as parsed.
void Parse(const Sample& sample, Settings* settings) {
  ParseForTest((sample.start_anchor ? "#" : "") + sample.text +
                   (sample.end_anchor ? "!" : ""),
               sample.new_text_empty ? "" : "N", sample.Switches(), settings);
}

std::string Pick(std::mt19937* random, const std::string& alphabet, int64_t n) {
  std::string s;
  for (int64_t i = 0; i < n; ++i) s += alphabet[(*random)() % alphabet.size()];
  return s;
}

// About |size| bytes of copies of |text| (wildcards filled in), most with
// a byte or two changed, between short runs of "a", "A", CR and LF: starts
// that compare far, true matches, and line breaks next to them.
std::string NearCopies(std::mt19937* random, const std::string& text,
                       int64_t size) {
  std::string image;
  while (static_cast<int64_t>(image.size()) < size) {
    std::string copy = text;
    for (char& c : copy) {
      if (c == '@') c = "aAb"[(*random)() % 3];
    }
    for (int n = static_cast<int>((*random)() % 3); n > 0; --n) {
      copy[(*random)() % copy.size()] = "aAb\r"[(*random)() % 4];
    }
    image += copy + Pick(random, "aaaaAA\r\n", (*random)() % 4);
  }
  return image;
}

std::string DescribeMatch(const Sample& s) {
  std::string out = "text '";
  for (char c : s.text) {
    unsigned char b = static_cast<unsigned char>(c);
    out +=
        b >= 0x20 && b < 0x7F ? std::string(1, c) : "\\x" + std::to_string(b);
  }
  return out + "' image size " + std::to_string(s.image.size()) +
         " switches '" + s.Switches() + "' anchors " +
         std::to_string(s.start_anchor) + std::to_string(s.end_anchor);
}

TEST(MatcherPropertyTest, ScanFindsTheFirstAcceptableStart) {
  // '[' and '{', '@' and '`' differ from letters only by the case bit.
  const std::string kBytes("aAbBzZ\r\n\0\xC9\xE9[{`@ ", 16);
  std::mt19937 random(20261208);
  // Each parsed search is tried on a dozen images (parsing makes files,
  // which is slow): 4000 cases in all.
  for (int round = 0; round < 334; ++round) {
    // A few bytes per round, so that matches and near matches are common.
    std::string alphabet = Pick(&random, kBytes, 2 + random() % 4);
    Sample sample;
    int64_t text_length = round % 8 == 0 ? 33 + random() % 16 : random() % 7;
    sample.text = Pick(&random, alphabet + "@", text_length);
    sample.start_anchor = random() % 4 == 0;
    sample.end_anchor = random() % 4 == 0;
    if (sample.text.empty() && !sample.start_anchor && !sample.end_anchor) {
      continue;  // The parser refuses an empty search.
    }
    sample.case_sensitive = random() % 2;
    sample.wildcard_disabled = random() % 5 == 0;
    const char* kLineSwitches[] = {"",     "",     "-D", "-D:P",
                                   "-D:L", "-D:R", "-U", "-M"};
    sample.line_switch = kLineSwitches[random() % 8];
    sample.new_text_empty = random() % 3 == 0;
    sample.word = random() % 4 == 0;
    Settings settings;
    Parse(sample, &settings);
    for (int image = 0; image < 12; ++image) {
      bool large = (round * 12 + image) % 50 == 0;
      sample.image = Pick(&random, alphabet, random() % (large ? 6000 : 160));
      int64_t size = static_cast<int64_t>(sample.image.size());
      sample.position = std::min<int64_t>(random() % 3, size);
      bool by_pieces = false;
      std::string fault =
          CheckAllSearches(sample, settings, &random, &by_pieces);
      ASSERT_EQ(fault, "") << "round " << round << ": "
                           << DescribeMatch(sample);
    }
  }
}

TEST(MatcherPropertyTest, LongTextsAgreeAfterTheSwitchToPieces) {
  std::mt19937 random(11);
  int switched = 0;
  for (int round = 0; round < 100; ++round) {
    Sample sample;
    int64_t text_length = 33 + random() % 60;
    sample.text = Pick(&random, "aaaaaaaaaaaaa", text_length);
    sample.text[random() % text_length] = "b@A"[random() % 3];
    if (random() % 2) sample.text[random() % text_length] = '@';
    sample.end_anchor = random() % 4 == 0;
    sample.start_anchor = random() % 6 == 0;
    sample.case_sensitive = random() % 2;
    sample.word = random() % 4 == 0;
    Settings settings;
    Parse(sample, &settings);
    for (int image = 0; image < 3; ++image) {
      sample.image = NearCopies(&random, sample.text, 800);
      bool by_pieces = false;
      std::string fault =
          CheckAllSearches(sample, settings, &random, &by_pieces);
      ASSERT_EQ(fault, "") << "round " << round << ": "
                           << DescribeMatch(sample);
      switched += by_pieces;
    }
  }
  EXPECT_GT(switched, 100);  // The piece search really was tested.
}

}  // namespace
}  // namespace swu
