#include "ops/join.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/evaluation_budget.h"

namespace {

using RowRefs = std::vector<const Row*>;

// Every part of the condition between its AND nodes, left to right, as the
// condition reader nested them.
void splitAtAnd(const Condition& condition, std::vector<const Condition*>& parts) {
  if (condition.kind() == ConditionKind::AND) {
    splitAtAnd(*condition.left(), parts);
    splitAtAnd(*condition.right(), parts);
  } else {
    parts.push_back(&condition);
  }
}

// The schema positions a condition reads.
void positionsRead(const Condition& condition, std::vector<std::size_t>& positions) {
  if (condition.kind() == ConditionKind::ATTRIBUTE) positions.push_back(condition.attributeIndex());
  if (condition.left() != nullptr) positionsRead(*condition.left(), positions);
  if (condition.right() != nullptr) positionsRead(*condition.right(), positions);
}

// Equal values hash alike: the kind takes part, so that an integer and a
// string never meet.
std::uint64_t hashValue(const Value& value) {
  if (value.isString()) return std::hash<std::string_view>{}(value.text()) ^ 0x5bd1e995u;
  return static_cast<std::uint64_t>(static_cast<std::uint32_t>(value.number())) *
         0x9E3779B97F4A7C15u;
}

std::uint64_t combine(std::uint64_t hash, const Value& value) {
  return (hash ^ hashValue(value)) * 0x100000001B3u + 0x9E3779B9u;
}

// An EQ between a position of an earlier factor and a column of this one.
struct JoinKey {
  std::size_t earlierFactor;
  std::size_t earlierColumn;
  std::size_t column;
};

// What happens when a factor's row is chosen, given the rows chosen before.
struct Level {
  RowRefs rows;                                      // its rows that pass its own filters
  std::vector<JoinKey> keys;                         // hash-joined on all of these at once
  std::unordered_map<std::uint64_t, RowRefs> index;  // rows by the hash of their key columns
  std::vector<const Condition*> tests;               // read this factor and earlier ones
};

class Planner {
 public:
  Planner(const Product& product, const Condition& condition) : factors_(product.factors()) {
    std::size_t start = 0;
    for (const Relation& factor : factors_) {
      starts_.push_back(start);
      start += factor.schema().size();
    }
    levels_.resize(factors_.size());
    std::vector<const Condition*> parts;
    splitAtAnd(condition, parts);
    std::vector<std::vector<const Condition*>> filters(factors_.size());
    for (const Condition* part : parts) place(*part, filters);
    for (std::size_t k = 0; k < factors_.size(); ++k) fill(k, filters[k]);
  }

  // False when a part that reads no attribute is false: then no row is kept.
  bool anyRowPossible() const { return possible_; }

  // Chooses a row of every factor, left to right and depth first, and hands
  // each full choice that passes to keep.
  template <class Keep>
  void forEachMatch(Keep&& keep) const {
    const std::size_t n = levels_.size();
    std::vector<const Row*> chosen(n);
    std::vector<const RowRefs*> candidates(n);
    std::vector<std::size_t> next(n, 0);
    candidates[0] = &levels_[0].rows;
    std::size_t k = 0;
    for (;;) {
      const RowRefs& list = *candidates[k];
      bool found = false;
      while (next[k] < list.size()) {
        spendBudget(0);
        chosen[k] = list[next[k]++];
        if (passes(k, chosen)) {
          found = true;
          break;
        }
      }
      if (!found) {
        if (k == 0) return;
        --k;
        continue;
      }
      if (k + 1 == n) {
        keep(chosen);
        continue;
      }
      ++k;
      candidates[k] = candidatesFor(k, chosen);
      next[k] = 0;
    }
  }

 private:
  std::size_t factorOf(std::size_t position) const {
    return static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), position) -
                                    starts_.begin()) -
           1;
  }

  void place(const Condition& part, std::vector<std::vector<const Condition*>>& filters) {
    std::vector<std::size_t> positions;
    positionsRead(part, positions);
    if (positions.empty()) {
      const RowParts none{nullptr, 0};
      if (!part.evaluate(none)) possible_ = false;
      return;
    }
    std::size_t first = factors_.size();
    std::size_t last = 0;
    for (const std::size_t position : positions) {
      first = std::min(first, factorOf(position));
      last = std::max(last, factorOf(position));
    }
    if (first == last) {
      filters[first].push_back(&part);
      return;
    }
    // An equality between attributes of two factors: the earlier position
    // lies in the first factor, the later one in the last.
    if (part.kind() == ConditionKind::EQ && positions.size() == 2) {
      const std::size_t earlier = std::min(positions[0], positions[1]);
      const std::size_t later = std::max(positions[0], positions[1]);
      levels_[last].keys.push_back({first, earlier - starts_[first], later - starts_[last]});
      return;
    }
    levels_[last].tests.push_back(&part);
  }

  void fill(std::size_t k, const std::vector<const Condition*>& filters) {
    Level& level = levels_[k];
    const Row* row = nullptr;
    const RowParts alone{&row, 1, starts_[k]};
    for (const Row& candidate : factors_[k].rows()) {
      row = &candidate;
      if (std::all_of(filters.begin(), filters.end(),
                      [&alone](const Condition* filter) { return filter->evaluate(alone); })) {
        level.rows.push_back(&candidate);
      }
    }
    if (level.keys.empty()) return;
    for (const Row* candidate : level.rows) {
      std::uint64_t hash = 0;
      for (const JoinKey& key : level.keys) hash = combine(hash, (*candidate)[key.column]);
      level.index[hash].push_back(candidate);
    }
  }

  const RowRefs* candidatesFor(std::size_t k, const std::vector<const Row*>& chosen) const {
    const Level& level = levels_[k];
    if (level.keys.empty()) return &level.rows;
    std::uint64_t hash = 0;
    for (const JoinKey& key : level.keys) {
      hash = combine(hash, (*chosen[key.earlierFactor])[key.earlierColumn]);
    }
    const auto found = level.index.find(hash);
    return found == level.index.end() ? &none_ : &found->second;
  }

  // The keys compared (the hash only narrowed the rows), then the tests.
  bool passes(std::size_t k, const std::vector<const Row*>& chosen) const {
    const Level& level = levels_[k];
    for (const JoinKey& key : level.keys) {
      if (!valueEquals((*chosen[key.earlierFactor])[key.earlierColumn], (*chosen[k])[key.column]))
        return false;
    }
    const RowParts row{chosen.data(), k + 1};
    return std::all_of(level.tests.begin(), level.tests.end(),
                       [&row](const Condition* test) { return test->evaluate(row); });
  }

  const std::vector<Relation>& factors_;
  std::vector<std::size_t> starts_;
  std::vector<Level> levels_;
  RowRefs none_;
  bool possible_ = true;
};

}  // namespace

bool rowsMatchSchemas(const Product& product) {
  return std::all_of(product.factors().begin(), product.factors().end(), [](const Relation& f) {
    const std::size_t width = f.schema().size();
    return std::all_of(f.rows().begin(), f.rows().end(),
                       [width](const Row& row) { return row.size() == width; });
  });
}

Table selectEachProductRow(const Product& product, const Condition& condition) {
  Table result = emptyTableLike(product);
  ProductCursor cursor(product);
  while (cursor.next()) {
    const std::vector<const Row*>& parts = cursor.parts();
    if (condition.evaluate(RowParts{parts.data(), parts.size()})) {
      result.addRow(joinParts(parts.data(), parts.size()));
    }
  }
  return result;
}

Table selectByJoin(const Product& product, const Condition& condition) {
  Table result = emptyTableLike(product);
  const Planner planner(product, condition);
  if (!planner.anyRowPossible()) return result;
  planner.forEachMatch([&result](const std::vector<const Row*>& chosen) {
    result.addRow(joinParts(chosen.data(), chosen.size()));
  });
  return result;
}

Table selectFromProduct(const Product& product, const Condition& condition) {
  if (rowsMatchSchemas(product)) return selectByJoin(product, condition);
  return selectEachProductRow(product, condition);
}
