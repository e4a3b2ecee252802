// Selection conditions: a condition text such as AND(GT(age, 30),
// NEQ(name, 'Bob')) read against a table's schema into a tree, then
// evaluated on rows. Attribute names are resolved to positions while the
// text is read, so evaluation never looks at names.
#pragma once

#include <memory>
#include <optional>

#include "model/table.h"
#include "model/value.h"
#include "text/char_stream.h"

enum class ConditionKind { EQ, NEQ, LT, LTE, GT, GTE, AND, OR, NOT, LITERAL, ATTRIBUTE };

// How many condition nodes may enclose a keyword node.
inline constexpr int kMaxConditionDepth = 1000;

class Condition {
 public:
  // Reads one node with its whole subtree from text, which stands at the
  // first character to read. With operatorForm a condition is read (a
  // keyword, "(" and its arguments), otherwise an operand: a string literal,
  // an unsigned integer literal or an attribute name of table's schema.
  // Afterwards text stands just after the last separator the node consumed.
  // Raises one of the "Construct error: " messages; nothing built remains.
  Condition(const Table& table, CharStream& text, bool operatorForm);

  Condition(const Condition&) = delete;
  Condition& operator=(const Condition&) = delete;
  ~Condition();

  // Whether the condition holds for row. AND and OR evaluate their right
  // condition only when the left one does not decide. Raises "Row too short
  // at select" when a value the row lacks is needed.
  bool evaluate(const Row& row) const;

  ConditionKind kind() const { return kind_; }

 private:
  Condition(const Table& table, CharStream& text, bool operatorForm, int depth);

  void readCondition(const Table& table, CharStream& text, int depth);
  void readOperand(const Table& table, CharStream& text);
  const Value& operandValue(const Row& row) const;

  ConditionKind kind_ = ConditionKind::LITERAL;
  std::optional<Value> literal_;
  int attributeIndex_ = -1;
  std::unique_ptr<Condition> left_;
  std::unique_ptr<Condition> right_;
};
