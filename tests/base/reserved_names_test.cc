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
  for (const char* name :
       {".swu-journal-", ".swu-journal-0000000000a74b0d", ".swu-journal-s01",
        ".swu-0123456", ".swu-012345678", ".swu-0123ABCD", ".SWU-01234567",
        AppendNoteName(1, 2).c_str(), "QMZRHLAJ.SWU"}) {
    EXPECT_FALSE(IsTemporaryName(name)) << name;
  }
}

}  // namespace
}  // namespace swu
