// Where a result's rows go when they are written as they are found, not
// built into a table first: the output, for the operator that ends a query.
#pragma once

#include <cstddef>
#include <string>

#include "model/value.h"
#include "model/value_view.h"

class RowWriter {
 public:
  RowWriter() = default;
  RowWriter(const RowWriter&) = delete;
  RowWriter& operator=(const RowWriter&) = delete;
  virtual ~RowWriter() = default;

  // Starts the result: its name and schema. No row to come is longer, as
  // printed, than longestLine characters.
  void begin(const std::string& name, const Schema& schema, std::size_t longestLine) {
    begun_ = true;
    start(name, schema, longestLine);
  }
  // One row, as the values' views.
  virtual void row(const ValueView* values, std::size_t count) = 0;
  // Ends the result after its last row.
  virtual void end() = 0;

  // Whether begin has been called.
  bool begun() const { return begun_; }

 protected:
  virtual void start(const std::string& name, const Schema& schema, std::size_t longestLine) = 0;

 private:
  bool begun_ = false;
};
