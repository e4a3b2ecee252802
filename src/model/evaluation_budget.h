// A cooperative budget for one evaluation: a deadline and a cap on the
// values built. The engine is single-threaded, so the evaluation itself
// polls it in its row loops (the product cursor, the joins, the appends to a
// table, the sorts) and, once it is spent, raises BudgetExceeded, which is
// no QueryError: nothing in the engine catches it. Only the checker sets a
// budget; without one, polling costs one test of a thread-local pointer.
#pragma once

#include <chrono>
#include <cstdint>
#include <exception>

class BudgetExceeded : public std::exception {
 public:
  enum class Kind { TIME, VALUES };
  explicit BudgetExceeded(Kind kind) : kind_(kind) {}
  Kind kind() const { return kind_; }
  const char* what() const noexcept override {
    return kind_ == Kind::TIME ? "evaluation time exceeded" : "evaluation values exceeded";
  }

 private:
  Kind kind_;
};

class EvaluationBudget {
 public:
  EvaluationBudget(std::chrono::steady_clock::time_point deadline, std::uint64_t values)
      : deadline_(deadline), valuesLeft_(values) {}

  // values more were built: raises BudgetExceeded once the cap is passed or,
  // checked every so many calls, the deadline.
  void spend(std::uint64_t values) {
    if (values > valuesLeft_) throw BudgetExceeded(BudgetExceeded::Kind::VALUES);
    valuesLeft_ -= values;
    if (++calls_ % kCallsPerClockRead == 0) checkClock();
  }
  // Raises BudgetExceeded when values more would pass the cap, spending
  // nothing: for a product refused before it is built.
  void require(std::uint64_t values) const {
    if (values > valuesLeft_) throw BudgetExceeded(BudgetExceeded::Kind::VALUES);
  }
  void checkClock() const {
    if (std::chrono::steady_clock::now() >= deadline_) {
      throw BudgetExceeded(BudgetExceeded::Kind::TIME);
    }
  }

  // The budget the evaluations on this thread poll; nullptr when none.
  static EvaluationBudget*& current() {
    thread_local EvaluationBudget* budget = nullptr;
    return budget;
  }

 private:
  static constexpr std::uint32_t kCallsPerClockRead = 1024;

  std::chrono::steady_clock::time_point deadline_;
  std::uint64_t valuesLeft_;
  std::uint32_t calls_ = 0;
};

// Makes budget the current one for its scope, and the previous one again
// afterwards.
class BudgetScope {
 public:
  explicit BudgetScope(EvaluationBudget& budget) : previous_(EvaluationBudget::current()) {
    EvaluationBudget::current() = &budget;
  }
  BudgetScope(const BudgetScope&) = delete;
  BudgetScope& operator=(const BudgetScope&) = delete;
  ~BudgetScope() { EvaluationBudget::current() = previous_; }

 private:
  EvaluationBudget* previous_;
};

// What the row loops call: values more were built (0 for a step that builds
// nothing, such as a row passed over). Nothing happens without a budget.
inline void spendBudget(std::uint64_t values) {
  if (EvaluationBudget* budget = EvaluationBudget::current()) budget->spend(values);
}

// What building values more at once needs: nothing happens without a budget.
inline void requireBudget(std::uint64_t values) {
  if (const EvaluationBudget* budget = EvaluationBudget::current()) budget->require(values);
}
