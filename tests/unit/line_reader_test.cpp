// The input's lines read from memory and from a file in pieces: lines far
// longer than a piece, line ends and byte-order marks on a piece's edge.
#include "io/line_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "io/output.h"

namespace {

struct Read {
  std::vector<std::string> lines;
  std::string echo;
  std::size_t lastLineNumber = 0;
  bool failed = false;
};

// Every line up to the end, each echoed as the driver echoes it.
Read readAll(LineReader& reader) {
  Read read;
  StringOutput out;
  while (!reader.atEnd()) {
    const std::string_view line = reader.readLine();
    read.lines.emplace_back(line);
    reader.echo(line, out);
  }
  read.echo = out.text();
  read.lastLineNumber = reader.lastLineNumber();
  read.failed = reader.failed();
  return read;
}

Read readFromFile(const std::string& text) {
  std::FILE* file = std::tmpfile();
  EXPECT_NE(file, nullptr);
  EXPECT_EQ(std::fwrite(text.data(), 1, text.size(), file), text.size());
  std::rewind(file);
  LineReader reader(file);
  Read read = readAll(reader);
  std::fclose(file);
  return read;
}

TEST(LineReaderTest, AFileReadInPiecesGivesTheLinesOfTheTextInMemory) {
  const std::size_t piece = std::size_t{1} << 16;
  const std::string longLine(3 * piece + 5, 'x');
  const std::string bom = "\xEF\xBB\xBF";
  struct Case {
    std::string name;
    std::string text;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"empty", "", {""}},
      {"final newline gives an empty line", "a\nb\n", {"a", "b", ""}},
      {"no final newline", "a\nb", {"a", "b"}},
      {"carriage returns dropped at line ends only", "a\r\nb\rc\r\n\r", {"a", "b\rc", ""}},
      {"mark dropped at the start only", bom + "a\n" + bom, {"a", bom}},
      {"mark alone", bom, {""}},
      {"part of a mark", "\xEF\xBB", {"\xEF\xBB"}},
      {"NUL bytes", std::string("a\0b\n\0", 5), {std::string("a\0b", 3), std::string(1, '\0')}},
      {"lines longer than a piece",
       longLine + "\n" + longLine + "y\r\nz",
       {longLine, longLine + "y", "z"}},
      {"a line end on a piece's edge",
       std::string(piece - 1, 'a') + "\r\n" + "b\n",
       {std::string(piece - 1, 'a'), "b", ""}},
      {"a newline as a piece's last byte",
       std::string(piece - 1, 'a') + "\nb",
       {std::string(piece - 1, 'a'), "b"}},
      {"many short lines over many pieces", std::string(3 * piece, '\n'),
       std::vector<std::string>(3 * piece + 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string expectedEcho;
    for (const std::string& line : c.lines) expectedEcho += line + "\n";

    LineReader inMemory(c.text);
    const Read memory = readAll(inMemory);
    EXPECT_EQ(memory.lines, c.lines);
    EXPECT_EQ(memory.echo, expectedEcho);
    EXPECT_EQ(memory.lastLineNumber, c.lines.size());
    EXPECT_FALSE(memory.failed);

    const Read file = readFromFile(c.text);
    EXPECT_EQ(file.lines, c.lines);
    EXPECT_EQ(file.echo, expectedEcho);
    EXPECT_EQ(file.lastLineNumber, c.lines.size());
    EXPECT_FALSE(file.failed);
  }
}

}  // namespace
