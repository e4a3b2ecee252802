// Selection conditions: a condition text such as AND(GT(age, 30),
// NEQ(name, 'Bob')) read against a table's schema into a tree, then
// evaluated on rows. Attribute names are resolved to positions while the
// text is read, so evaluation never looks at names.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "model/product.h"
#include "model/table.h"
#include "model/value.h"
#include "model/value_view.h"
#include "text/char_stream.h"

class QueryTrace;

enum class ConditionKind { EQ, NEQ, LT, LTE, GT, GTE, AND, OR, NOT, LITERAL, ATTRIBUTE };

// How many condition nodes may enclose a keyword node.
inline constexpr int kMaxConditionDepth = 1000;

// The condition keywords, in the order they are tried.
std::array<std::string_view, 9> conditionKeywords();

class Condition {
 public:
  // Reads one node with its whole subtree from text, which stands at the
  // first character to read. With operatorForm a condition is read (a
  // keyword, "(" and its arguments), otherwise an operand: a string literal,
  // an unsigned integer literal or an attribute name of table's schema.
  // Afterwards text stands just after the last separator the node consumed.
  // Raises one of the "Construct error: " messages; nothing built remains.
  // When trace is given, the tokens read are recorded there.
  Condition(const Schema& schema, CharStream& text, bool operatorForm, QueryTrace* trace = nullptr);

  Condition(const Condition&) = delete;
  Condition& operator=(const Condition&) = delete;
  ~Condition();

  // Whether the condition holds for row. AND and OR evaluate their right
  // condition only when the left one does not decide. Raises "Row too short
  // at select" when a value the row lacks is needed.
  bool evaluate(const Row& row) const;
  // The same on a row given in parts, as if they were concatenated.
  bool evaluate(const RowParts& row) const;
  // The same on the views of a row's values.
  bool evaluate(const std::vector<ValueView>& row) const;

  // One more than the last position the condition reads (0 when it reads
  // none): no row with at least as many values raises an error.
  std::size_t valuesNeeded() const;

  ConditionKind kind() const { return kind_; }
  // The children: both operands of a comparison, both conditions of AND and
  // OR, the one condition of NOT (right is then null); null in leaves.
  const Condition* left() const { return left_.get(); }
  const Condition* right() const { return right_.get(); }
  // The schema position an ATTRIBUTE leaf reads.
  std::size_t attributeIndex() const { return static_cast<std::size_t>(attributeIndex_); }

 private:
  Condition(const Schema& schema, CharStream& text, bool operatorForm, QueryTrace* trace,
            int depth);

  void readCondition(const Schema& schema, CharStream& text, QueryTrace* trace, int depth);
  void readOperand(const Schema& schema, CharStream& text, QueryTrace* trace);
  template <class Cells>
  bool evaluateOn(const Cells& row) const;
  template <class Cells>
  ValueView operandValue(const Cells& row) const;

  ConditionKind kind_ = ConditionKind::LITERAL;
  std::optional<Value> literal_;
  int attributeIndex_ = -1;
  std::unique_ptr<Condition> left_;
  std::unique_ptr<Condition> right_;
};
