#include "grammar.h"

#include <array>
#include <string_view>

namespace {

// Few names, so that tables share attribute names and conditions find them.
constexpr std::array<std::string_view, 6> kAttributeNames = {"a", "b", "sid", "x", "A", "b2"};
constexpr std::array<std::string_view, 4> kTableNames = {"R", "S", "T", "R"};
constexpr std::array<std::string_view, 7> kStrings = {"", "a", "b", "A b", "1", "x,y", "bb"};
constexpr std::array<std::string_view, 6> kComparisons = {"EQ", "NEQ", "LT", "LTE", "GT", "GTE"};

std::string_view pickName(Choices& choices) {
  return kAttributeNames[choices.below(kAttributeNames.size())];
}

std::string value(Choices& choices) {
  switch (choices.below(8)) {
    case 0:
    case 1:
    case 2:
    case 3:
      return std::to_string(choices.below(4));
    case 4:
      return choices.chance(50) ? "2147483647" : "007";
    default:
      return "'" + std::string(kStrings[choices.below(kStrings.size())]) + "'";
  }
}

GeneratedTable table(Choices& choices, std::string_view name) {
  GeneratedTable result;
  result.name = name;
  const unsigned width = 1 + choices.below(3);
  result.text = std::string(name) + "(";
  for (unsigned i = 0; i < width; ++i) {
    const std::string attribute(pickName(choices));
    result.attributes.push_back(attribute);
    if (i > 0) result.text += ", ";
    result.text += attribute;
    result.text += choices.chance(60) ? " int" : " char(" + std::to_string(choices.below(9)) + ")";
  }
  result.text += ")\n";
  const unsigned rows = choices.below(7);
  for (unsigned r = 0; r < rows; ++r) {
    // Now and then a row shorter or longer than the header.
    unsigned length = width;
    if (choices.chance(8)) length = choices.below(width + 2);
    if (length == 0) length = 1;
    for (unsigned i = 0; i < length; ++i) {
      if (i > 0) result.text += ", ";
      result.text += value(choices);
    }
    result.text += "\n";
  }
  return result;
}

std::string operand(Choices& choices, const std::vector<std::string>& attributes) {
  const unsigned kind = choices.below(10);
  if (kind < 6 && !attributes.empty()) return attributes[choices.below(attributes.size())];
  if (kind < 7) return std::string(pickName(choices));
  return value(choices);
}

std::vector<std::string> nameList(Choices& choices, std::size_t usual) {
  std::vector<std::string> names;
  std::size_t count = usual;
  if (choices.chance(10)) count = choices.below(4);
  for (std::size_t i = 0; i < count; ++i) names.emplace_back(pickName(choices));
  return names;
}

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += ", ";
    text += names[i];
  }
  return text;
}

// An expression and the attribute names of its result, as far as the
// generator follows them (what a RENAME or PROJECT names, a PRODUCT's both
// sides); conditions draw their names from these.
// At most kMostProducts PRODUCT forms in a query, so that no product has
// more than a few hundred rows: SELECT reads them all without building them,
// and the allocation budget would not stop it.
constexpr int kMostProducts = 2;

struct Generator {
  Choices& choices;
  const std::vector<GeneratedTable>& tables;
  int products = 0;
};

std::string expression(Generator& g, int depth, std::vector<std::string>& attributes) {
  Choices& choices = g.choices;
  unsigned form = depth >= 4 ? 0 : choices.below(12);
  if (form >= 1 && form <= 3 && g.products >= kMostProducts) form = 0;
  switch (form) {
    case 1:
    case 2:
    case 3: {
      ++g.products;
      std::vector<std::string> right;
      std::string text = "PRODUCT(" + expression(g, depth + 1, attributes) + ", ";
      text += expression(g, depth + 1, right) + ")";
      attributes.insert(attributes.end(), right.begin(), right.end());
      return text;
    }
    case 4:
    case 5:
    case 6: {
      std::string source = expression(g, depth + 1, attributes);
      return "SELECT(" + source + ", " + generateCondition(choices, attributes, 0) + ")";
    }
    case 7: {
      std::string source = expression(g, depth + 1, attributes);
      attributes = nameList(choices, attributes.size());
      return "RENAME(" + source + ", N(" + joined(attributes) + "))";
    }
    case 8: {
      std::string source = expression(g, depth + 1, attributes);
      std::vector<std::string> names;
      const unsigned count = 1 + choices.below(2);
      for (unsigned i = 0; i < count; ++i) names.push_back(operand(choices, attributes));
      attributes = names;
      return "PROJECT(" + source + ", " + joined(names) + ")";
    }
    case 9: {
      std::vector<std::string> right;
      const char* keyword = choices.chance(50) ? "UNION(" : "MINUS(";
      std::string text = keyword + expression(g, depth + 1, attributes) + ", ";
      return text + expression(g, depth + 1, right) + ")";
    }
    default: {
      const GeneratedTable& t = g.tables[choices.below(g.tables.size())];
      attributes = t.attributes;
      return choices.chance(3) ? "Nobody" : t.name;
    }
  }
}

// A character dropped, doubled or replaced at a chosen place.
void slip(Choices& choices, std::string& text) {
  if (text.empty()) return;
  const std::size_t at = choices.below(256) * text.size() / 256;
  constexpr std::string_view kInserted = "(),' x1";
  switch (choices.below(3)) {
    case 0:
      text.erase(at, 1);
      break;
    case 1:
      text.insert(at, 1, text[at]);
      break;
    default:
      text[at] = kInserted[choices.below(kInserted.size())];
      break;
  }
}

}  // namespace

std::string generateCondition(Choices& choices, const std::vector<std::string>& attributes,
                              int depth) {
  const unsigned kind = depth >= 3 ? 9 : choices.below(14);
  if (kind < 3) {
    std::string text = "AND(" + generateCondition(choices, attributes, depth + 1) + ", ";
    return text + generateCondition(choices, attributes, depth + 1) + ")";
  }
  if (kind < 4) {
    std::string text = "OR(" + generateCondition(choices, attributes, depth + 1) + ", ";
    return text + generateCondition(choices, attributes, depth + 1) + ")";
  }
  if (kind < 5) return "NOT(" + generateCondition(choices, attributes, depth + 1) + ")";
  // Equalities between attributes most of all: the joins.
  const std::string_view keyword = choices.chance(60) ? "EQ" : kComparisons[choices.below(6)];
  std::string text = std::string(keyword) + "(" + operand(choices, attributes) + ", ";
  return text + operand(choices, attributes) + ")";
}

GeneratedInput generateInput(Choices& choices) {
  GeneratedInput input;
  const unsigned count = 1 + choices.below(3);
  for (unsigned i = 0; i < count; ++i) {
    input.tables.push_back(table(choices, kTableNames[choices.below(kTableNames.size())]));
  }
  Generator g{choices, input.tables};
  std::vector<std::string> attributes;
  std::string query;
  // Many queries are a SELECT over a PRODUCT, as students write joins.
  if (choices.chance(40)) {
    g.products = 1;
    std::vector<std::string> right;
    const std::string left = expression(g, 2, attributes);
    const std::string other = expression(g, 2, right);
    attributes.insert(attributes.end(), right.begin(), right.end());
    query = "SELECT(PRODUCT(" + left + ", " + other + "), " +
            generateCondition(choices, attributes, 0) + ")";
  } else {
    query = expression(g, 0, attributes);
  }
  input.text = query + "\n\n";
  for (std::size_t i = 0; i < input.tables.size(); ++i) {
    if (i > 0) input.text += "\n";
    input.text += input.tables[i].text;
  }
  while (choices.chance(15)) slip(choices, input.text);
  return input;
}
