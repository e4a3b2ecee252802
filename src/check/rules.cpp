#include "check/rules.h"

#include <algorithm>

#include "query/token.h"

std::vector<std::string> keywordsRead(const QueryTrace& trace, std::string_view query) {
  std::vector<std::string> found;
  for (const Token& token : trace.tokens()) {
    if (token.kind != TokenKind::KEYWORD && token.kind != TokenKind::CONDITION_KEYWORD) continue;
    if (token.first == 0 || token.last > query.size() || token.first > token.last) continue;
    // A keyword is matched without regard to case, and a word read with
    // blanks inside spans them.
    std::string keyword;
    for (const char c : query.substr(token.first - 1, token.last - token.first + 1)) {
      if (c == ' ') continue;
      keyword += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    found.push_back(std::move(keyword));
  }
  return found;
}

std::string brokenRule(const Exercise& exercise, const QueryTrace& trace, std::string_view query,
                       bool readWhole) {
  const std::vector<std::string> read = keywordsRead(trace, query);
  auto wasRead = [&](const std::string& keyword) {
    return std::find(read.begin(), read.end(), keyword) != read.end();
  };
  for (const std::string& keyword : exercise.forbid) {
    if (wasRead(keyword)) return keyword + " is not allowed";
  }
  if (!readWhole) return {};
  for (const std::string& keyword : exercise.require) {
    if (!wasRead(keyword)) return keyword + " is required";
  }
  return {};
}
