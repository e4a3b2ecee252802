#include "query/condition.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "model/query_error.h"
#include "query/trace.h"
#include "text/chars.h"

namespace {

constexpr std::array<std::pair<std::string_view, ConditionKind>, 9> kKeywords = {{
    {"EQ", ConditionKind::EQ},
    {"NEQ", ConditionKind::NEQ},
    {"LT", ConditionKind::LT},
    {"LTE", ConditionKind::LTE},
    {"GT", ConditionKind::GT},
    {"GTE", ConditionKind::GTE},
    {"AND", ConditionKind::AND},
    {"OR", ConditionKind::OR},
    {"NOT", ConditionKind::NOT},
}};

// Consumes the character after an argument, after any blanks, without
// looking at it: "," or ")" in well-formed text, but anything is taken. The
// end of the text is no error.
void separatorStep(CharStream& text, QueryTrace* trace) {
  char c = '\0';
  if (nextNonBlank(text, c) && !isBlank(c)) recordDelimiter(trace, c, text.column());
}

}  // namespace

std::array<std::string_view, 9> conditionKeywords() {
  std::array<std::string_view, 9> words;
  for (std::size_t i = 0; i < kKeywords.size(); ++i) words[i] = kKeywords[i].first;
  return words;
}

Condition::Condition(const Schema& schema, CharStream& text, bool operatorForm, QueryTrace* trace)
    : Condition(schema, text, operatorForm, trace, 0) {}

Condition::Condition(const Schema& schema, CharStream& text, bool operatorForm, QueryTrace* trace,
                     int depth) {
  if (operatorForm) {
    readCondition(schema, text, trace, depth);
  } else {
    readOperand(schema, text, trace);
  }
}

Condition::~Condition() {
  left_.reset();
  right_.reset();
}

void Condition::readCondition(const Schema& schema, CharStream& text, QueryTrace* trace,
                              int depth) {
  char c = '\0';
  if (!nextNonBlankOrFail(text, c)) throw QueryError(msg::kConstructCondition);

  std::string keyword;
  const std::size_t first = text.column();
  std::size_t last = first;
  if (!collectNonBlanksUntil(
          text, c, keyword, [](char k) { return k == '('; }, &last)) {
    if (!keyword.empty()) recordToken(trace, TokenKind::UNKNOWN, first, last);
    throw QueryError(msg::kConstructKeyword);
  }
  for (char& k : keyword) k = toUpperAscii(k);

  bool known = false;
  for (const auto& [word, kind] : kKeywords) {
    if (keyword == word) {
      kind_ = kind;
      known = true;
      break;
    }
  }
  if (!keyword.empty()) {
    recordToken(trace, known ? TokenKind::CONDITION_KEYWORD : TokenKind::UNKNOWN, first, last);
  }
  recordDelimiter(trace, c, text.column());
  if (!known) throw QueryError(msg::kConstructToken);
  if (depth >= kMaxConditionDepth) throw QueryError(msg::kConstructDepth);

  switch (kind_) {
    case ConditionKind::AND:
    case ConditionKind::OR:
      left_.reset(new Condition(schema, text, true, trace, depth + 1));
      separatorStep(text, trace);
      right_.reset(new Condition(schema, text, true, trace, depth + 1));
      separatorStep(text, trace);
      break;
    case ConditionKind::NOT:
      left_.reset(new Condition(schema, text, true, trace, depth + 1));
      separatorStep(text, trace);
      break;
    default:
      left_.reset(new Condition(schema, text, false, trace, depth + 1));
      separatorStep(text, trace);
      right_.reset(new Condition(schema, text, false, trace, depth + 1));
      separatorStep(text, trace);
      break;
  }
}

void Condition::readOperand(const Schema& schema, CharStream& text, QueryTrace* trace) {
  char c = '\0';
  if (!nextNonBlankOrFail(text, c)) throw QueryError(msg::kConstructOperand);
  const std::size_t first = text.column();

  if (c == '\'') {
    // An unclosed literal ends with the text.
    std::string literal;
    while (text.get(c) && c != '\'') literal += c;
    recordToken(trace, TokenKind::STRING, first, text.column());
    kind_ = ConditionKind::LITERAL;
    literal_.emplace(std::move(literal));
    return;
  }

  if (isDigit(c)) {
    text.unget();
    std::int32_t number = 0;
    const bool fits = text.readInt(number);
    recordToken(trace, TokenKind::NUMBER, first, text.column());
    if (!fits) throw QueryError(msg::kConstructRange);
    kind_ = ConditionKind::LITERAL;
    literal_.emplace(number);
    return;
  }

  std::string name;
  std::size_t last = first;
  const bool ended = !collectNonBlanksUntil(
      text, c, name, [](char k) { return k == ',' || k == ')'; }, &last);
  if (!name.empty()) recordToken(trace, TokenKind::ATTRIBUTE, first, last);
  if (ended) throw QueryError(msg::kConstructName);
  text.unget();  // the parent's separator step consumes it
  // An empty name matches nothing, even an attribute a RENAME left unnamed.
  attributeIndex_ = name.empty() ? -1 : findAttribute(schema, name);
  if (attributeIndex_ < 0) throw QueryError(msg::kConstructScheme);
  kind_ = ConditionKind::ATTRIBUTE;
}

namespace {

// A row's value at a position; false past its end.
bool cellAt(const Row& row, std::size_t position, ValueView& cell) {
  if (position >= row.size()) return false;
  cell = viewOf(row[position]);
  return true;
}
bool cellAt(const RowParts& row, std::size_t position, ValueView& cell) {
  const Value* value = row.at(position);
  if (value == nullptr) return false;
  cell = viewOf(*value);
  return true;
}
bool cellAt(const std::vector<ValueView>& row, std::size_t position, ValueView& cell) {
  if (position >= row.size()) return false;
  cell = row[position];
  return true;
}

}  // namespace

template <class Cells>
ValueView Condition::operandValue(const Cells& row) const {
  if (kind_ == ConditionKind::LITERAL) return viewOf(*literal_);
  ValueView cell;
  if (!cellAt(row, static_cast<std::size_t>(attributeIndex_), cell)) {
    throw QueryError(msg::kSelectShortRow);
  }
  return cell;
}

bool Condition::evaluate(const Row& row) const { return evaluateOn(row); }

bool Condition::evaluate(const RowParts& row) const { return evaluateOn(row); }

bool Condition::evaluate(const std::vector<ValueView>& row) const { return evaluateOn(row); }

std::size_t Condition::valuesNeeded() const {
  std::size_t needed = kind_ == ConditionKind::ATTRIBUTE ? attributeIndex() + 1 : 0;
  if (left_) needed = std::max(needed, left_->valuesNeeded());
  if (right_) needed = std::max(needed, right_->valuesNeeded());
  return needed;
}

template <class Cells>
bool Condition::evaluateOn(const Cells& row) const {
  switch (kind_) {
    case ConditionKind::AND:
      return left_->evaluateOn(row) && right_->evaluateOn(row);
    case ConditionKind::OR:
      return left_->evaluateOn(row) || right_->evaluateOn(row);
    case ConditionKind::NOT:
      return !left_->evaluateOn(row);
    default:
      break;
  }
  const ValueView l = left_->operandValue(row);
  const ValueView r = right_->operandValue(row);
  switch (kind_) {
    case ConditionKind::EQ:
      return viewEquals(l, r);
    case ConditionKind::NEQ:
      return !viewEquals(l, r);
    case ConditionKind::LT:
      return viewLess(l, r);
    case ConditionKind::LTE:
      return viewLess(l, r) || viewEquals(l, r);
    case ConditionKind::GT:
      return viewLess(r, l);
    case ConditionKind::GTE:
      return viewLess(r, l) || viewEquals(l, r);
    default:
      return false;  // leaves are never evaluated as conditions
  }
}
