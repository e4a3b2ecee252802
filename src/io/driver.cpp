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

#include "io/line_reader.h"
#include "io/printer.h"
#include "io/table_loader.h"
#include "model/query_error.h"
#include "model/table.h"
#include "ops/forms.h"
#include "platform/standard_streams.h"
#include "query/evaluator.h"

namespace {

bool sameFile(const char* a, const char* b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error) && !error;
}

}  // namespace

void evaluateInput(LineReader& lines, LineOutput& out, ErrorPlace* place, QueryTrace* trace) {
  TableRegistry registry;
  bool loaded = false;
  std::size_t column = 0;
  try {
    const std::string query(lines.readLine());
    out.writeLine(query);
    out.writeLine(lines.atEnd() ? std::string_view() : lines.readLine());
    loadTables(lines, out, registry);
    loaded = true;
    out.endLine();
    TablePrinter printer(out);
    const Operand result = evaluateQuery(query, registry, kOperatorForms, &column, trace, &printer);
    if (!printer.begun()) printTable(result, out);
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

void evaluateInput(std::string_view input, LineOutput& out, ErrorPlace* place, QueryTrace* trace) {
  LineReader lines(input);
  evaluateInput(lines, out, place, trace);
}

bool evaluateInputWithinMemory(LineReader& lines, LineOutput& out, ErrorPlace* place,
                               QueryTrace* trace) {
  try {
    evaluateInput(lines, out, place, trace);
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

bool evaluateInputWithinMemory(std::string_view input, LineOutput& out, ErrorPlace* place,
                               QueryTrace* trace) {
  LineReader lines(input);
  return evaluateInputWithinMemory(lines, out, place, trace);
}

namespace {

// Memory that runs out before the output file is open leaves it alone.
void reportOutOfMemory() { std::cerr << "ERROR: " << msg::kOutOfMemory << std::endl; }

// Closes the input file however the run ends.
struct InputFile {
  explicit InputFile(std::FILE* opened) : file(opened) {}
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile() {
    if (file != nullptr) std::fclose(file);
  }
  std::FILE* file;
};

int runFiles(const char* inputPath, const char* outputPath) {
  const InputFile input{std::fopen(inputPath, "rb")};
  // The first piece is read before the output file is opened: an input that
  // cannot be read at all leaves the output alone.
  std::optional<LineReader> lines;
  if (input.file != nullptr) lines.emplace(input.file);
  if (!lines || lines->failed()) {
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
  if (!evaluateInputWithinMemory(*lines, out)) {
    reportOutOfMemory();
    status = 1;
  }
  if (!out.close()) {
    std::cerr << msg::kCannotWriteOutput << outputPath << std::endl;
    return 1;
  }
  if (lines->failed()) {
    std::cerr << msg::kCannotOpenInput << inputPath << std::endl;
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
