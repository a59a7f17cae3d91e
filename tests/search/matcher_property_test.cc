// Property tests of the matcher's scans: on random images and search texts
// (CR, LF, NUL, high bytes, bytes one case bit away from a letter,
// wildcards, both cases, anchors, -C on and off, the wildcard disabled)
// every search must find exactly the first start at or after its origin
// that the rule accepts, as a plain test of every start finds it. Long
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

namespace swu {
namespace {

struct Sample {
  std::string image;
  std::string text;  // without anchors
  bool start_anchor = false;
  bool end_anchor = false;
  std::string switches;
  int64_t position = 0;
};

class Checker {
 public:
  Checker(const Sample& sample, const Settings& settings)
      : settings_(settings), buffer_(Platform::Default()) {
    int64_t size = static_cast<int64_t>(sample.image.size());
    EXPECT_TRUE(buffer_.MakeRoom(size > 0 ? size : 1));
    memcpy(buffer_.block(), sample.image.data(), sample.image.size());
    buffer_.SetImage(size);
    buffer_.position = sample.position;
  }

  // The first start from |position| + |resume| on that the rule accepts.
  int64_t Expected(int64_t resume) {
    Matcher rule(settings_);
    int64_t length = settings_.search_length;
    for (int64_t s = buffer_.position + resume;
         s + length <= buffer_.end && (length > 0 || s < buffer_.end); ++s) {
      if (rule.AcceptsAt(buffer_, s)) return s;
    }
    return -1;
  }

  // The start the matcher finds, or -1.
  int64_t Found(FileSearch* search, int64_t resume) {
    Match match;
    return search->FindNextMatch(buffer_, resume, &match) ? match.start : -1;
  }

  const Settings& settings() const { return settings_; }

 private:
  const Settings& settings_;
  FileBuffer buffer_;
};

// Walks the image as the replace loop does, resuming after each match
// (sometimes further on), then repeats one earlier search as -#:L does.
// Returns a description of the first disagreement, or "".
std::string CheckAllSearches(const Sample& sample, const Settings& settings,
                             std::mt19937* random, bool* by_pieces) {
  Checker checker(sample, settings);
  Matcher matcher(checker.settings());
  FileSearch search(&matcher);
  int64_t length = checker.settings().search_length;
  int64_t resume = 0;
  int64_t earlier = 0;
  for (int step = 0;; ++step) {
    int64_t expected = checker.Expected(resume);
    int64_t found = checker.Found(&search, resume);
    if (found != expected) {
      return "resume " + std::to_string(resume) + ": found " +
             std::to_string(found) + ", expected " + std::to_string(expected);
    }
    if (found < 0) break;
    if (step == 1) earlier = resume;
    resume = found - sample.position + (length > 0 ? length : 1) +
             static_cast<int64_t>((*random)() % 4 == 0 ? (*random)() % 5 : 0);
  }
  if (checker.Found(&search, earlier) != checker.Expected(earlier)) {
    return "repeated search from " + std::to_string(earlier);
  }
  *by_pieces = search.searching_by_pieces();
  return "";
}

// The settings of |sample|'s search text and switches, as parsed.
void Parse(const Sample& sample, Settings* settings) {
  ParseForTest((sample.start_anchor ? "#" : "") + sample.text +
                   (sample.end_anchor ? "!" : ""),
               "N", sample.switches, settings);
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
    for (int n = (*random)() % 3; n > 0; --n) {
      copy[(*random)() % copy.size()] = "aAb\r"[(*random)() % 4];
    }
    image += copy + Pick(random, "aaaaAA\r\n", (*random)() % 4);
  }
  return image;
}

std::string Describe(const Sample& s) {
  std::string out = "text '";
  for (char c : s.text) {
    unsigned char b = static_cast<unsigned char>(c);
    out +=
        b >= 0x20 && b < 0x7F ? std::string(1, c) : "\\x" + std::to_string(b);
  }
  return out + "' image size " + std::to_string(s.image.size()) +
         " switches '" + s.switches + "' anchors " +
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
    sample.switches = std::string(random() % 2 ? "-C" : "") +
                      (random() % 5 == 0 ? " -1" : "");
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
      ASSERT_EQ(fault, "") << "round " << round << ": " << Describe(sample);
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
    sample.switches = random() % 2 ? "-C" : "";
    Settings settings;
    Parse(sample, &settings);
    for (int image = 0; image < 3; ++image) {
      sample.image = NearCopies(&random, sample.text, 800);
      bool by_pieces = false;
      std::string fault =
          CheckAllSearches(sample, settings, &random, &by_pieces);
      ASSERT_EQ(fault, "") << "round " << round << ": " << Describe(sample);
      switched += by_pieces;
    }
  }
  EXPECT_GT(switched, 100);  // The piece search really was tested.
}

}  // namespace
}  // namespace swu
