#include "io/driver.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <system_error>

#include "io/printer.h"
#include "io/table_loader.h"
#include "model/query_error.h"
#include "model/table.h"
#include "ops/forms.h"
#include "platform/standard_streams.h"
#include "query/evaluator.h"

namespace {

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
    const Operand result = evaluateQuery(query, registry, kOperatorForms, &column, trace);
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
