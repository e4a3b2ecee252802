#include "text/char_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

TEST(CharStreamTest, ReadPastTheEndSpendsTheStream) {
  CharStream in("ab");
  char c = '?';
  EXPECT_TRUE(in.get(c));
  EXPECT_EQ(c, 'a');
  in.unget();
  EXPECT_TRUE(in.get(c));
  EXPECT_EQ(c, 'a');
  EXPECT_TRUE(in.get(c));
  EXPECT_FALSE(in.spent());
  EXPECT_FALSE(in.get(c));
  EXPECT_EQ(c, 'b');  // a failed read leaves the character alone
  in.unget();
  EXPECT_FALSE(in.get(c));
}

TEST(CharStreamTest, ReadsIntegersLikeAStreamExtraction) {
  struct Case {
    const char* text;
    bool ok;
    std::int32_t value;
    bool spentAfter;
  };
  const Case cases[] = {
      {"42)", true, 42, false},
      {"  007,", true, 7, false},
      {"\t-12 ", true, -12, false},
      {"+5", true, 5, true},
      {"2147483647", true, 2147483647, true},
      {"-2147483648", true, -2147483647 - 1, true},
      {"2147483648", false, 0, true},
      {"99999999999999999999", false, 0, true},
      {"-", false, 0, true},
      {"x1", false, 0, true},
      {"   ", false, 0, true},
  };
  for (const Case& c : cases) {
    CharStream in(c.text);
    std::int32_t n = 0;
    EXPECT_EQ(in.readInt(n), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(n, c.value) << c.text;
    }
    EXPECT_EQ(in.spent(), c.spentAfter) << c.text;
  }
}

// After its first digit has been read, the rest of an unsigned number reads
// as unget followed by readInt would: same value, same place, same failures.
TEST(CharStreamTest, ReadingAfterAFirstDigitMatchesReadInt) {
  for (const char* text : {"7", "42)", "0012 x", "2147483647", "2147483648", "2147483647,1",
                           "99999999999999999999", "3'a'", "1 2"}) {
    CharStream after(text);
    CharStream whole(text);
    char c = '?';
    ASSERT_TRUE(after.get(c)) << text;
    std::int32_t a = -1;
    std::int32_t b = -1;
    EXPECT_EQ(after.readIntAfter(c, a), whole.readInt(b)) << text;
    EXPECT_EQ(a, b) << text;
    EXPECT_EQ(after.spent(), whole.spent()) << text;
    char x = '?';
    char y = '?';
    EXPECT_EQ(after.get(x), whole.get(y)) << text;
    EXPECT_EQ(x, y) << text;
  }
}

TEST(CharStreamTest, WordsEndAtWhitespace) {
  CharStream in("  name\tchar(5)");
  std::string word;
  ASSERT_TRUE(in.readWord(word));
  EXPECT_EQ(word, "name");
  char c = '?';
  ASSERT_TRUE(in.get(c));
  EXPECT_EQ(c, '\t');
  ASSERT_TRUE(in.readWord(word));
  EXPECT_EQ(word, "char(5)");
  EXPECT_TRUE(in.spent());  // the word ran into the end

  CharStream blank("   ");
  EXPECT_FALSE(blank.readWord(word));
}

}  // namespace

namespace {

TEST(CharStreamTest, AWindowReadsItsPartAloneAndCountsColumnsInTheWhole) {
  CharStream whole("AB(cd)E");
  char c = '?';
  EXPECT_EQ(whole.column(), 0u);
  ASSERT_TRUE(whole.get(c));
  ASSERT_TRUE(whole.get(c));
  ASSERT_TRUE(whole.get(c));
  EXPECT_EQ(whole.column(), 3u);  // the "(" was the third character

  CharStream part = whole.window(3, 2);  // "cd"
  EXPECT_EQ(part.column(), 3u);
  ASSERT_TRUE(part.get(c));
  EXPECT_EQ(c, 'c');
  EXPECT_EQ(part.column(), 4u);
  part.unget();
  EXPECT_EQ(part.column(), 3u);
  ASSERT_TRUE(part.get(c));
  ASSERT_TRUE(part.get(c));
  EXPECT_EQ(c, 'd');
  EXPECT_FALSE(part.get(c));  // the window ends before ")"
  EXPECT_TRUE(part.spent());
  EXPECT_EQ(part.column(), 5u);

  std::int32_t n = 0;
  CharStream number = CharStream("x 12)").window(1, 3);  // " 12"
  EXPECT_TRUE(number.readInt(n));
  EXPECT_EQ(n, 12);
  EXPECT_TRUE(number.spent());  // as a read to the end of a text of its own

  EXPECT_TRUE(whole.get(c));  // the whole stream is not moved by its windows
  EXPECT_EQ(c, 'c');
}

}  // namespace
