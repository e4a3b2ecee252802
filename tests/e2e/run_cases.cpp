// Runs the end-to-end cases of one or more case files against the raeval
// binary and compares the output file, standard output, standard error and
// exit status byte for byte. The format is described in README.md.
//
//   e2e_runner [--skip LIST] RAEVAL FILE...   run the cases
//   e2e_runner --extract DIR FILE...          write each case's input into DIR
//                                             (its extra files stay out)
//   e2e_runner --expand FILE...               print each case as it is run:
//                                             the input and expected output
//                                             the short form builds, every
//                                             other section
//
// LIST names cases that do not apply to the program under test (a build for
// another platform), one a line: "FILE.test: CASE NAME", optionally followed
// by "  # reason". Blank lines and lines starting with "#" are ignored.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <list>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Section {
  std::string text;
  bool present = false;
};

struct Case {
  std::string name;
  int line = 0;
  Section input, output, existingOutput, stdoutText, stderrText;
  // Extra files written into the case's folder before the run, by their
  // path under it (a list: the open section is pointed at while it is read).
  std::list<std::pair<std::string, Section>> files;
  bool outputAbsent = false;
  int status = 0;
  long memoryLimitKiB = 0;
  std::string args = "{in} {out}";
  // The short form, from which input and output are built: the query line,
  // line 2, the tables (the case's own, or a fixture's) and the result.
  std::optional<std::string> query;
  std::string line2;
  std::optional<std::string> fixture;
  Section tables, result;
  // A "=== fixture NAME" block: only its tables, never run.
  bool isFixture = false;
};

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    if (next == 'r') {
      out += '\r';
    } else if (next == 't') {
      out += '\t';
    } else if (next == 'n') {
      out += '\n';
    } else if (next == '\\') {
      out += '\\';
    } else if (next == 'x' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 &&
               hexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
      i += 2;
    } else {
      out += '\\';
      out += next;
    }
  }
  return out;
}

bool startsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

std::vector<std::string> splitWords(const std::string& s) {
  std::vector<std::string> words;
  std::istringstream in(s);
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// The text after a section's keyword, taken verbatim: "--- query  X" gives " X".
std::string restOfLine(const std::string& line, const std::string& kind) {
  const std::size_t start = 4 + kind.size() + 1;
  return line.size() > start ? line.substr(start) : "";
}

// Gives each short-form case its input and expected output, and drops the
// fixture blocks. A case's tables are its own "--- tables", else the fixture
// it names, else the last fixture declared above it. The input is the query
// line, line 2 and the tables; the program echoes those lines, writes one
// empty line and then the result. The tables are echoed as written because
// they cannot end with an empty line (the echo never writes trailing ones).
std::vector<Case> buildShortForm(std::vector<Case> parsed, const fs::path& file) {
  auto fail = [&](const Case& c, const std::string& why) {
    std::cerr << file.string() << ":" << c.line << ": " << why << "\n";
    std::exit(2);
  };
  std::map<std::string, std::string> fixtures;
  const std::string* lastFixture = nullptr;
  std::vector<Case> cases;
  for (Case& c : parsed) {
    const bool shortForm = c.query.has_value();
    if (c.tables.present && c.tables.text.size() >= 2 &&
        c.tables.text.compare(c.tables.text.size() - 2, 2, "\n\n") == 0)
      fail(c, "tables that end with an empty line: write the case in full form");
    if (c.isFixture) {
      if (!c.tables.present || shortForm || c.result.present || c.fixture || c.input.present ||
          c.output.present)
        fail(c, "a fixture holds only a --- tables section");
      if (fixtures.count(c.name) != 0) fail(c, "fixture " + c.name + " declared twice");
      lastFixture = &(fixtures[c.name] = c.tables.text);
      continue;
    }
    if (!shortForm) {
      if (c.tables.present || c.result.present || c.fixture || !c.line2.empty())
        fail(c, "tables, result, fixture or line2 without a --- query");
      cases.push_back(std::move(c));
      continue;
    }
    if (c.input.present || c.output.present || c.outputAbsent)
      fail(c, "a case with a --- query has no input or output section");
    if (!c.result.present) fail(c, "a case with a --- query needs a --- result");
    if (c.tables.present && c.fixture) fail(c, "both --- tables and --- fixture");
    const std::string* tables = &c.tables.text;
    if (c.fixture) {
      const auto found = fixtures.find(*c.fixture);
      if (found == fixtures.end()) fail(c, "no fixture " + *c.fixture + " declared above");
      tables = &found->second;
    } else if (!c.tables.present) {
      if (lastFixture == nullptr) fail(c, "no --- tables and no fixture declared above");
      tables = lastFixture;
    }
    const std::string echo = *c.query + "\n" + c.line2 + "\n" + *tables;
    c.input = {echo, true};
    c.output = {echo + "\n" + c.result.text, true};
    cases.push_back(std::move(c));
  }
  return cases;
}

// Parses a case file; exits with a message on a malformed one.
std::vector<Case> parseCases(const fs::path& file) {
  const std::string content = readFile(file);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    const std::size_t nl = content.find('\n', start);
    if (nl == std::string::npos) {
      lines.push_back(content.substr(start));
      break;
    }
    lines.push_back(content.substr(start, nl - start));
    start = nl + 1;
  }

  std::vector<Case> cases;
  Section* open = nullptr;
  // A file's lines are written after "| " ("|" alone for an empty line), so
  // that a file may hold lines that start with "=== " or "--- ".
  bool openIsFile = false;
  bool noEol = false;
  bool escaped = false;
  auto closeSection = [&] {
    openIsFile = false;
    if (open == nullptr) return;
    if (noEol && !open->text.empty() && open->text.back() == '\n') open->text.pop_back();
    if (escaped) open->text = unescape(open->text);
    open = nullptr;
  };
  auto fail = [&](std::size_t index, const std::string& why) {
    std::cerr << file.string() << ":" << index + 1 << ": " << why << "\n";
    std::exit(2);
  };

  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (startsWith(line, "=== ")) {
      closeSection();
      cases.push_back(Case{});
      cases.back().name = line.substr(4);
      cases.back().line = static_cast<int>(i + 1);
      if (startsWith(line, "=== fixture ")) {
        cases.back().name = line.substr(12);
        cases.back().isFixture = true;
      }
      continue;
    }
    if (startsWith(line, "--- ")) {
      closeSection();
      if (cases.empty()) fail(i, "section before the first case");
      Case& c = cases.back();
      std::vector<std::string> words = splitWords(line.substr(4));
      if (words.empty()) fail(i, "empty section line");
      const std::string kind = words[0];
      const bool verbatim =
          kind == "args" || kind == "query" || kind == "line2" || kind == "fixture";
      // A file's flags follow its name.
      const std::size_t firstFlag = kind == "file" ? 2 : 1;
      if ((kind == "tables" || kind == "result") && words.size() > 1)
        fail(i, "no flags on the short form's sections");
      noEol = escaped = false;
      for (std::size_t w = firstFlag; w < words.size() && !verbatim; ++w) {
        if (words[w] == "no-eol") {
          noEol = true;
        } else if (words[w] == "escaped") {
          escaped = true;
        } else if (!(kind == "output" && words[w] == "absent") && kind != "status" &&
                   kind != "memory-limit") {
          fail(i, "unknown flag " + words[w]);
        }
      }
      if (kind == "input") {
        open = &c.input;
      } else if (kind == "output" && words.size() > 1 && words[1] == "absent") {
        c.outputAbsent = true;
      } else if (kind == "output") {
        open = &c.output;
      } else if (kind == "file" && words.size() >= 2) {
        const fs::path name = words[1];
        if (name.is_absolute() || name.lexically_normal().string().starts_with(".."))
          fail(i, "a file outside the case's folder: " + words[1]);
        c.files.emplace_back(words[1], Section{});
        open = &c.files.back().second;
        openIsFile = true;
      } else if (kind == "existing-output") {
        open = &c.existingOutput;
      } else if (kind == "memory-limit" && words.size() == 2) {
        c.memoryLimitKiB = std::atol(words[1].c_str());
      } else if (kind == "stdout") {
        open = &c.stdoutText;
      } else if (kind == "stderr") {
        open = &c.stderrText;
      } else if (kind == "status" && words.size() == 2) {
        c.status = std::atoi(words[1].c_str());
      } else if (kind == "args") {
        c.args = restOfLine(line, kind);
      } else if (kind == "query") {
        c.query = restOfLine(line, kind);
      } else if (kind == "line2") {
        c.line2 = restOfLine(line, kind);
      } else if (kind == "fixture" && words.size() > 1) {
        c.fixture = restOfLine(line, kind);
      } else if (kind == "tables") {
        open = &c.tables;
      } else if (kind == "result") {
        open = &c.result;
      } else {
        fail(i, "unknown section " + line);
      }
      if (open != nullptr) open->present = true;
      continue;
    }
    if (open == nullptr) {
      if (cases.empty() && (line.empty() || line[0] == '#')) continue;
      fail(i, "text outside a content section");
    }
    if (openIsFile) {
      if (line != "|" && !startsWith(line, "| "))
        fail(i, "a file's line that does not start with \"| \"");
      open->text += line.substr(line.size() > 1 ? 2 : 1);
    } else {
      open->text += line;
    }
    open->text += '\n';
  }
  closeSection();
  return buildShortForm(std::move(cases), file);
}

std::string substitute(std::string text, const std::map<std::string, std::string>& values) {
  for (const auto& [key, value] : values) {
    for (std::size_t at = text.find(key); at != std::string::npos;
         at = text.find(key, at + value.size())) {
      text.replace(at, key.size(), value);
    }
  }
  return text;
}

std::string visible(const std::string& s) {
  std::string out;
  for (const char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\n') {
      out += "\\n\n";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (u < 32 || u >= 127) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", u);
      out += buf;
    } else {
      out += c;
    }
  }
  return out;
}

bool compare(const std::string& what, const std::string& expected, const std::string& actual,
             std::ostream& report) {
  if (expected == actual) return true;
  report << "  " << what << " differs\n  --- expected\n"
         << visible(expected) << "\n  --- actual\n"
         << visible(actual) << "\n";
  return false;
}

// Runs binary with args, stdin from /dev/null and the two outputs into files.
// Returns the exit status, or 1000 + the signal that ended it.
int runProgram(const std::string& binary, const std::vector<std::string>& args,
               const fs::path& stdoutPath, const fs::path& stderrPath, long memoryLimitKiB) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (memoryLimitKiB > 0) {
      const rlimit limit = {static_cast<rlim_t>(memoryLimitKiB) * 1024,
                            static_cast<rlim_t>(memoryLimitKiB) * 1024};
      setrlimit(RLIMIT_AS, &limit);
    }
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(binary.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    alarm(120);  // survives exec: a hanging run is killed
    execv(binary.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFSIGNALED(status)) return 1000 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

bool runCase(const std::string& binary, const fs::path& file, const Case& c) {
  char dirTemplate[] = "/tmp/raeval-e2e-XXXXXX";
  char captureTemplate[] = "/tmp/raeval-e2e-capture-XXXXXX";
  const fs::path dir = mkdtemp(dirTemplate);
  const fs::path capture = mkdtemp(captureTemplate);
  const fs::path in = dir / "input.txt";
  const fs::path out = dir / "output.txt";
  if (c.input.present) std::ofstream(in, std::ios::binary) << c.input.text;
  if (c.existingOutput.present) std::ofstream(out, std::ios::binary) << c.existingOutput.text;
  for (const auto& [name, file] : c.files) {
    fs::create_directories((dir / name).parent_path());
    std::ofstream(dir / name, std::ios::binary) << file.text;
  }

  const std::map<std::string, std::string> values = {
      {"{in}", in.string()}, {"{out}", out.string()}, {"{dir}", dir.string()}};
  const int status = runProgram(binary, splitWords(substitute(c.args, values)), capture / "stdout",
                                capture / "stderr", c.memoryLimitKiB);

  std::ostringstream report;
  bool ok = true;
  if (status != c.status) {
    report << "  exit status "
           << (status >= 1000 ? "signal " + std::to_string(status - 1000) : std::to_string(status))
           << ", expected " << c.status << "\n";
    ok = false;
  }
  if (c.outputAbsent && fs::exists(out)) {
    report << "  the output file exists, expected none\n";
    ok = false;
  }
  if (c.output.present) {
    if (!fs::exists(out)) {
      report << "  no output file\n";
      ok = false;
    } else {
      ok &= compare("output file", substitute(c.output.text, values), readFile(out), report);
    }
  }
  ok &= compare("standard output", substitute(c.stdoutText.text, values),
                readFile(capture / "stdout"), report);
  ok &= compare("standard error", substitute(c.stderrText.text, values),
                readFile(capture / "stderr"), report);

  std::error_code ignored;
  fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(dir, ignored);
  fs::remove_all(capture, ignored);
  if (!ok)
    std::cout << "FAIL " << file.string() << ":" << c.line << ": " << c.name << "\n"
              << report.str();
  return ok;
}

// Prints a case in one canonical form whatever form it was written in, so
// that two versions of a case file can be compared case by case.
void printExpanded(const Case& c) {
  std::cout << "=== " << c.name << "\n";
  auto section = [](const std::string& what, const Section& s) {
    std::cout << "--- " << what;
    if (!s.present) {
      std::cout << " (none)\n";
      return;
    }
    std::cout << " (" << s.text.size() << " bytes)\n" << visible(s.text) << "\n";
  };
  section("input", c.input);
  section("output", c.output);
  section("existing-output", c.existingOutput);
  for (const auto& [name, file] : c.files) section("file " + name, file);
  section("stdout", c.stdoutText);
  section("stderr", c.stderrText);
  std::cout << "--- output absent " << (c.outputAbsent ? "yes" : "no") << "\n--- status "
            << c.status << "\n--- args " << c.args << "\n--- memory-limit " << c.memoryLimitKiB
            << "\n";
}

// Reads a skip list: the set of "FILE.test: CASE NAME" it names.
std::set<std::string> readSkipList(const fs::path& path) {
  std::set<std::string> names;
  std::istringstream in(readFile(path));
  for (std::string line; std::getline(in, line);) {
    const std::size_t comment = line.find("  #");
    if (comment != std::string::npos) line.erase(comment);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    names.insert(line);
  }
  return names;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == "--expand") {
    for (int f = 2; f < argc; ++f) {
      for (const Case& c : parseCases(argv[f])) printExpanded(c);
    }
    return 0;
  }
  if (argc >= 3 && std::string(argv[1]) == "--extract") {
    const fs::path dir = argv[2];
    fs::create_directories(dir);
    for (int f = 3; f < argc; ++f) {
      int n = 0;
      for (const Case& c : parseCases(argv[f])) {
        if (!c.input.present) continue;
        const fs::path target =
            dir / (fs::path(argv[f]).stem().string() + "-" + std::to_string(++n));
        std::ofstream(target, std::ios::binary) << c.input.text;
      }
    }
    return 0;
  }
  std::set<std::string> skipList;
  int first = 1;
  if (argc >= 3 && std::string(argv[1]) == "--skip") {
    if (!fs::exists(argv[2])) {
      std::cerr << "e2e_runner: no skip list " << argv[2] << "\n";
      return 2;
    }
    skipList = readSkipList(argv[2]);
    first = 3;
  }
  if (argc < first + 2) {
    std::cerr << "usage: e2e_runner [--skip LIST] RAEVAL FILE... | e2e_runner --extract DIR "
                 "FILE... | e2e_runner --expand FILE...\n";
    return 2;
  }
  const std::string binary = fs::absolute(argv[first]).string();
  // A sanitizer build reserves far more address space than any limit the
  // memory cases set, so those cases are skipped there.
  const bool noMemoryLimit = std::getenv("RAEVAL_E2E_NO_MEMORY_LIMIT") != nullptr;
  int passed = 0;
  int failed = 0;
  int skipped = 0;
  for (int f = first + 1; f < argc; ++f) {
    const std::string group = fs::path(argv[f]).filename().string();
    for (const Case& c : parseCases(argv[f])) {
      const bool listed = skipList.erase(group + ": " + c.name) > 0;
      if ((c.memoryLimitKiB > 0 && noMemoryLimit) || listed) {
        ++skipped;
      } else if (runCase(binary, argv[f], c)) {
        ++passed;
      } else {
        ++failed;
      }
    }
  }
  // A listed case that no longer exists is a stale list, which would hide
  // the case's successor.
  for (const std::string& stale : skipList) {
    const std::size_t colon = stale.find(": ");
    const std::string group = stale.substr(0, colon);
    for (int f = first + 1; f < argc; ++f) {
      if (fs::path(argv[f]).filename().string() == group) {
        std::cout << "FAIL skip list names no case: " << stale << "\n";
        ++failed;
      }
    }
  }
  std::cout << passed << " passed, " << failed << " failed";
  if (skipped > 0) std::cout << ", " << skipped << " skipped";
  std::cout << "\n";
  // A file all of whose cases were skipped reports itself skipped (77).
  if (failed == 0 && passed == 0 && skipped > 0) return 77;
  return failed == 0 && passed > 0 ? 0 : 1;
}
