#include "check/json_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
  std::string text;
  std::string json;
};

TEST(JsonWriter, QuotesEveryByteAsValidJson) {
  const Case cases[] = {
      {"", "\"\""},
      {"PROJECT(T, a)", "\"PROJECT(T, a)\""},
      {"say \"hi\"\\", "\"say \\\"hi\\\"\\\\\""},
      {"a\nb\tc\rd", "\"a\\nb\\tc\\rd\""},
      {std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\\u007f\""},
      {std::string("nul\0byte", 8), "\"nul\\u0000byte\""},
      // Well-formed UTF-8 passes: two, three and four bytes.
      {"\xc3\xa9t\xc3\xa9 \xe2\x86\x94 \xf0\x9f\x98\x80",
       "\"\xc3\xa9t\xc3\xa9 \xe2\x86\x94 \xf0\x9f\x98\x80\""},
      // Any other byte is read as Latin-1: a lone continuation byte, a lead
      // byte without its continuation, an overlong form, a surrogate.
      {"\x80", "\"\\u0080\""},
      {"\xc3(", "\"\\u00c3(\""},
      {"\xc0\xaf", "\"\\u00c0\\u00af\""},
      {"\xed\xa0\x80", "\"\\u00ed\\u00a0\\u0080\""},
      {"\xe2\x86", "\"\\u00e2\\u0086\""},
  };
  for (const Case& c : cases) EXPECT_EQ(jsonString(c.text), c.json) << c.text;
}

}  // namespace
