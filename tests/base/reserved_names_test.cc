// Tests of base/reserved_names: a sweep takes every temporary name the
// writers make, and nothing else of the program's.

#include "base/reserved_names.h"

#include <gtest/gtest.h>

#include <string>

namespace swu {
namespace {

TEST(ReservedNamesTest, SweepTakesTemporariesOnly) {
  for (uint64_t bits :
       {uint64_t{0}, uint64_t{1}, ~uint64_t{0}, NameBits(4242, 123456789, 1)}) {
    EXPECT_TRUE(IsTemporaryName(TemporaryName(bits))) << TemporaryName(bits);
  }
  EXPECT_NE(TemporaryName(NameBits(1, 5, 1)), TemporaryName(NameBits(2, 5, 1)));
  const std::string note = AppendNoteName(1, 2);
  for (const std::string& name :
       {std::string(".swu-journal-"),
        std::string(".swu-journal-0000000000a74b0d"),
        std::string(".swu-journal-s01"), std::string(".swu-0123456"),
        std::string(".swu-012345678"), std::string(".swu-0123ABCD"),
        std::string(".SWU-01234567"), note, std::string("QMZRHLAJ.SWU")}) {
    EXPECT_FALSE(IsTemporaryName(name)) << name;
  }
}

}  // namespace
}  // namespace swu
