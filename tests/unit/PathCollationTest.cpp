// The list order and the comparison without case, the sorted path lists, and
// which byte strings are UTF-8.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "base/Utf8.h"
#include "imagelist/PathCollation.h"
#include "imagelist/PathSet.h"

namespace toviwall {
namespace {

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end(), PathLess());
  return v;
}

TEST(PathCollationTest, ListOrderFollowsLettersBeforeCaseAndKeepsFoldersTogether) {
  EXPECT_EQ(Sorted({"/p/b.jpg", "/p/A.jpg", "/p/a.jpg", "/p/C.jpg"}),
            (std::vector<std::string>{"/p/a.jpg", "/p/A.jpg", "/p/b.jpg", "/p/C.jpg"}));
  // Punctuation and blanks before digits before letters, so a folder's files
  // stay together ahead of longer names that begin the same way.
  EXPECT_EQ(Sorted({"/p/ab/c.jpg", "/p/a/z.jpg", "/p/a.jpg", "/p/a b.jpg", "/p/a1.jpg"}),
            (std::vector<std::string>{"/p/a b.jpg", "/p/a.jpg", "/p/a/z.jpg", "/p/a1.jpg", "/p/ab/c.jpg"}));
  // Hyphen and apostrophe count only when nothing else differs.
  EXPECT_LT(ComparePaths("co-op.jpg", "cooq.jpg"), 0);
  EXPECT_LT(ComparePaths("co-op.jpg", "coop.jpg"), 0);
  // Accented Latin letters sort with their base letter, after it when all else is equal.
  EXPECT_EQ(Sorted({"f.jpg", "é.jpg", "e.jpg", "É.jpg", "ez.jpg"}),
            (std::vector<std::string>{"e.jpg", "é.jpg", "É.jpg", "ez.jpg", "f.jpg"}));
  // Other scripts after the Latin letters; bytes that are no UTF-8 last.
  EXPECT_LT(ComparePaths("z.jpg", "я.jpg"), 0);
  EXPECT_LT(ComparePaths("я.jpg", std::string("\xff.jpg")), 0);
}

TEST(PathCollationTest, EqualWithoutCaseExactlyWhenOnlyCaseDiffers) {
  EXPECT_TRUE(SamePathNoCase("/Pics/A.JPG", "/pics/a.jpg"));
  EXPECT_TRUE(SamePathNoCase("/x/ÉTÉ.png", "/x/été.png"));
  EXPECT_TRUE(SamePathNoCase("/x/ДОМ.png", "/x/дом.png"));
  EXPECT_FALSE(SamePathNoCase("/x/e.png", "/x/é.png"));
  EXPECT_FALSE(SamePathNoCase("a-b.jpg", "ab.jpg"));
  EXPECT_FALSE(SamePathNoCase("a.jpg ", "a.jpg"));
  EXPECT_NE(ComparePaths("A.jpg", "a.jpg"), 0);
  // Broken UTF-8 compares by its bytes and never equals something else.
  EXPECT_FALSE(SamePathNoCase(std::string("\xc3") + "a", std::string("\xc3") + "b"));
  EXPECT_FALSE(SamePathNoCase(std::string("\xe9"), std::string("\xc9")));
}

TEST(PathCollationTest, BothOrdersAreTotalAndAgree) {
  // Random paths from a small alphabet that provokes every level: the orders
  // must be strict weak orders, the list order must refine the one without case,
  // and only identical strings may compare equal in the list order.
  const std::vector<std::string> pieces = {"a", "A", "b", "-", "'", "/", ".", " ", "1", "é", "É", "\xc3", "z"};
  std::mt19937 gen(7);
  std::vector<std::string> paths;
  for (int i = 0; i < 400; ++i) {
    std::string p;
    int len = 1 + static_cast<int>(gen() % 6);
    for (int k = 0; k < len; ++k) p += pieces[gen() % pieces.size()];
    paths.push_back(p);
  }
  for (const auto& a : paths) {
    for (const auto& b : paths) {
      int cs = ComparePaths(a, b), ci = ComparePathsNoCase(a, b);
      ASSERT_EQ(cs, -ComparePaths(b, a)) << a << " | " << b;
      ASSERT_EQ(cs == 0, a == b) << a << " | " << b;
      if (ci != 0) {
        ASSERT_EQ(cs, ci) << a << " | " << b;
      }
    }
  }
  std::vector<std::string> sorted = paths;
  std::sort(sorted.begin(), sorted.end(), PathLess());
  for (std::size_t i = 0; i + 1 < sorted.size(); ++i)
    for (std::size_t j = i + 1; j < sorted.size(); ++j) ASSERT_LE(ComparePaths(sorted[i], sorted[j]), 0);
}

TEST(Utf8Test, OnlyTheOneByteFormOfEachCharacterIsValid) {
  for (const char* valid : {"", "plain", "caf\xC3\xA9", "\xE2\x82\xAC", "\xF4\x8F\xBF\xBF"})
    EXPECT_TRUE(IsValidUtf8(valid)) << valid;
  // Latin-1, truncated, overlong, a surrogate, beyond U+10FFFF, a lone continuation byte.
  for (const char* invalid :
       {"caf\xE9", "\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80"})
    EXPECT_FALSE(IsValidUtf8(invalid)) << invalid;
}

TEST(PathSetTest, SortedInListOrderOncePerExactPath) {
  PathSet set;
  for (const char* p : {"/p/B.jpg", "/p/a.jpg", "/p/A.JPG", "/p/c.png", "/p/b.jpg", "/p/a.jpg"}) set.Add(p);
  EXPECT_EQ(set.Items(), (std::vector<std::string>{"/p/a.jpg", "/p/A.JPG", "/p/b.jpg", "/p/B.jpg", "/p/c.png"}));
  EXPECT_TRUE(set.Contains("/p/c.png"));
  EXPECT_FALSE(set.Contains("/P/C.PNG"));  // another file
  EXPECT_FALSE(set.Contains("/p/d.png"));
  // Later additions merge in; a path already held stays once.
  set.Add("/p/c.png");
  set.Add("/p/0.bmp");
  EXPECT_EQ(set.Items(),
            (std::vector<std::string>{"/p/0.bmp", "/p/a.jpg", "/p/A.JPG", "/p/b.jpg", "/p/B.jpg", "/p/c.png"}));

  PathSet known;
  known.Add("/P/B.JPG");
  known.Add("/p/B.jpg");
  known.Add("/p/zzz.jpg");
  set.RemoveAll(known);
  EXPECT_EQ(set.Items(), (std::vector<std::string>{"/p/0.bmp", "/p/a.jpg", "/p/A.JPG", "/p/b.jpg", "/p/c.png"}));
  set.Clear();
  EXPECT_TRUE(set.Empty());
}

}  // namespace
}  // namespace toviwall
