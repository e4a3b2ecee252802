#include "check/rules.h"

#include <algorithm>
#include <utility>

#include "query/token.h"

std::vector<std::string> keywordsRead(const QueryTrace& trace, std::string_view query) {
  std::vector<std::string> found;
  for (const Token& token : trace.tokens()) {
    if (token.kind != TokenKind::KEYWORD && token.kind != TokenKind::CONDITION_KEYWORD) continue;
    std::string keyword = keywordOf(token, query);
    if (keyword.empty()) continue;
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
