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
