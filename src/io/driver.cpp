#include "io/driver.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <system_error>

#include "io/input_reader.h"
#include "io/printer.h"
#include "io/standard_streams.h"
#include "model/query_error.h"
#include "model/table.h"
#include "query/evaluator.h"

namespace {

// Hands out the input's lines the way a line-by-line text read does: a final
// newline gives one more, empty line, and a carriage return that ends a line
// is dropped so that CRLF files read like LF files. A UTF-8 byte-order mark
// that opens the text, as editors on Windows write it, is dropped before the
// first line; anywhere else its bytes are ordinary characters.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text_.starts_with(kByteOrderMark)) text_.remove_prefix(kByteOrderMark.size());
  }

  // True once a read has run into the end of the text.
  bool atEnd() const { return atEnd_; }

  std::string_view readLine() {
    lastStart_ = pos_;
    std::string_view line;
    const std::size_t newline = text_.find('\n', pos_);
    if (newline == std::string_view::npos) {
      line = text_.substr(pos_);
      pos_ = text_.size();
      atEnd_ = true;
    } else {
      line = text_.substr(pos_, newline - pos_);
      pos_ = newline + 1;
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  }

  // The number, from 1, of the line readLine returned last.
  std::size_t lastLineNumber() const {
    return 1 + static_cast<std::size_t>(std::count(
                   text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(lastStart_), '\n'));
  }

  // Echoes a line that readLine returned, straight from the text when a
  // newline follows it there.
  void echo(std::string_view line, LineOutput& out) const {
    const std::size_t end = static_cast<std::size_t>(line.data() - text_.data()) + line.size();
    if (end < text_.size() && text_[end] == '\n') {
      out.writeWholeLine(text_.substr(end - line.size(), line.size() + 1));
    } else {
      out.writeLine(line);
    }
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t lastStart_ = 0;
  bool atEnd_ = false;
};

// Loads every table definition into the registry, echoing each line as it
// is read. Empty lines are counted and written before the next non-empty one.
void loadTables(LineReader& input, LineOutput& out, TableRegistry& registry) {
  std::size_t pendingEmptyLines = 0;
  while (!input.atEnd()) {
    std::string_view line = input.readLine();
    if (line.empty()) {
      ++pendingEmptyLines;
      continue;
    }
    for (; pendingEmptyLines > 0; --pendingEmptyLines) out.endLine();
    input.echo(line, out);
    Table table = readTableHeader(line);
    while (!input.atEnd()) {
      line = input.readLine();
      if (line.empty()) {
        ++pendingEmptyLines;
        break;
      }
      input.echo(line, out);
      readDataRow(line, table);
    }
    registry.registerTable(std::move(table));
  }
}

std::optional<std::string> readWholeFile(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return std::nullopt;
  std::string content;
  // A regular file's size is known up front, so the text is not moved about
  // while it grows.
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (!error && size < content.max_size()) content.reserve(static_cast<std::size_t>(size));
  char buffer[1 << 16];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return content;
}

bool sameFile(const char* a, const char* b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error) && !error;
}

}  // namespace

void evaluateInput(std::string_view input, LineOutput& out, ErrorPlace* place, QueryTrace* trace) {
  LineReader lines(input);
  TableRegistry registry;
  bool loaded = false;
  std::size_t column = 0;
  try {
    const std::string_view query = lines.readLine();
    out.writeLine(query);
    out.writeLine(lines.atEnd() ? std::string_view() : lines.readLine());
    loadTables(lines, out, registry);
    loaded = true;
    out.endLine();
    const Relation result = evaluateQuery(query, registry, &column, trace);
    printTable(result, out);
  } catch (const QueryError& error) {
    out.discardLine();
    out.put("ERROR: ");
    out.put(error.message());
    out.endLine();
    if (place != nullptr) {
      // A loading error is raised by the line read last.
      if (loaded) {
        place->column = column;
      } else {
        place->line = lines.lastLineNumber();
      }
    }
  }
}

bool evaluateInputWithinMemory(std::string_view input, LineOutput& out, ErrorPlace* place,
                               QueryTrace* trace) {
  try {
    evaluateInput(input, out, place, trace);
    return true;
  } catch (const std::bad_alloc&) {
    // The tables are gone by now; the line buffer keeps its capacity.
    out.discardLine();
    out.put("ERROR: ");
    out.put(msg::kOutOfMemory);
    out.endLine();
    return false;
  }
}

namespace {

// Memory that runs out before the output file is open leaves it alone.
void reportOutOfMemory() { std::cerr << "ERROR: " << msg::kOutOfMemory << std::endl; }

int runFiles(const char* inputPath, const char* outputPath) {
  const std::optional<std::string> input = readWholeFile(inputPath);
  if (!input) {
    std::cerr << msg::kCannotOpenInput << inputPath << std::endl;
    return 1;
  }
  if (sameFile(inputPath, outputPath)) {
    std::cerr << msg::kSameFile << outputPath << std::endl;
    return 1;
  }
  // Binary mode: the output's bytes, line ends included, are the same on
  // every platform.
  std::FILE* file = std::fopen(outputPath, "wb");
  if (file == nullptr) {
    std::cerr << msg::kCannotOpenOutput << outputPath << std::endl;
    return 1;
  }

  FileOutput out(file);
  int status = 0;
  if (!evaluateInputWithinMemory(*input, out)) {
    reportOutOfMemory();
    status = 1;
  }
  if (!out.close()) {
    std::cerr << msg::kCannotWriteOutput << outputPath << std::endl;
    return 1;
  }
  return status;
}

}  // namespace

int runRaeval(int argc, const char* const* argv) {
  useBinaryStandardStreams();
  if (argc < 3) {
    std::cout << msg::kNotEnoughArguments << std::endl;
    return -1;
  }
  try {
    return runFiles(argv[1], argv[2]);
  } catch (const std::bad_alloc&) {
    reportOutOfMemory();
    return 1;
  }
}
