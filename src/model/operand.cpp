#include "model/operand.h"

#include <utility>

Operand::Operand(Operand&& other) noexcept = default;
Operand& Operand::operator=(Operand&& other) noexcept = default;
Operand::~Operand() = default;

const std::string& Operand::name() const {
  return std::visit([](const auto& held) -> const std::string& { return held.name(); }, value_);
}

const Schema& Operand::schema() const {
  return std::visit([](const auto& held) -> const Schema& { return held.schema(); }, value_);
}

std::uint64_t Operand::rowCount() const {
  return std::visit([](const auto& held) { return held.rowCount(); }, value_);
}

void Operand::rename(std::string name, const std::vector<std::string>& names) {
  std::visit(
      [&](auto& held) {
        held.setName(std::move(name));
        for (std::size_t i = 0; i < names.size(); ++i) held.setAttributeName(i, names[i]);
      },
      value_);
}

void Operand::appendFactorsTo(std::vector<Relation>& factors) && {
  if (Relation* held = relation()) {
    factors.push_back(std::move(*held));
    return;
  }
  for (Relation& factor : product()->factors_) factors.push_back(std::move(factor));
}

std::vector<Row> firstRows(const Operand& operand, std::size_t limit) {
  if (const Product* product = operand.product()) return firstRows(ProductCursor(*product), limit);
  const Relation& relation = *operand.relation();
  if (!relation.isPacked()) return firstRows(ProductCursor(relation), limit);
  // Only the rows taken are unpacked.
  std::vector<Row> rows;
  relation.packedRows().forEach([&rows, limit](const unsigned char* row) {
    if (rows.size() < limit) rows.push_back(PackedRows::unpack(row));
  });
  return rows;
}
