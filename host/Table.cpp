#include "host/Table.h"

#include <stdexcept>

namespace VnKxHost {

std::size_t Table::AddColumn(const std::string& name, ColumnType type) {
  if (rows_ != 0) throw std::invalid_argument("columns must be added before rows");
  std::size_t textIndex = 0;
  if (type == ColumnType::kString) {
    textIndex = texts_.size();
    texts_.emplace_back();
  }
  columns_.push_back(Column{name, type, textIndex});
  return columns_.size() - 1;
}

void Table::Reserve(std::size_t rows) {
  cells_.reserve(rows * columns_.size());
  nulls_.reserve(rows * columns_.size());
  for (auto& texts : texts_) texts.reserve(rows);
}

void Table::AddRow(const std::vector<Cell>& cells) {
  if (pending_ != 0) throw std::invalid_argument("a row is being appended cell by cell");
  if (cells.size() != columns_.size()) {
    throw std::invalid_argument("row has " + std::to_string(cells.size()) + " cells, table has " +
                                std::to_string(columns_.size()) + " columns");
  }
  for (std::size_t c = 0; c < cells.size(); ++c) {
    const ColumnType type = columns_[c].type;
    const auto& value = cells[c].Value();
    const bool fits = cells[c].IsNull() ||
                      (type == ColumnType::kInteger  ? std::holds_alternative<std::int64_t>(value)
                       : type == ColumnType::kString ? std::holds_alternative<std::string>(value)
                                                     : !std::holds_alternative<std::string>(value));
    if (!fits) {
      throw std::invalid_argument("column " + columns_[c].name + " does not hold such a value");
    }
  }
  // Checked whole first, so that a refused row leaves nothing behind.
  for (const Cell& cell : cells) {
    const auto& value = cell.Value();
    if (cell.IsNull()) {
      AppendNull();
    } else if (const auto* integer = std::get_if<std::int64_t>(&value)) {
      AppendInteger(*integer);
    } else if (const auto* real = std::get_if<double>(&value)) {
      AppendReal(*real);
    } else {
      AppendText(std::get<std::string>(value));
    }
  }
  EndRow();
}

const Table::Column& Table::NextColumn() const {
  if (pending_ == columns_.size()) throw std::invalid_argument("the row has too many cells");
  return columns_[pending_];
}

void Table::AppendNull() {
  const Column& column = NextColumn();
  if (column.type == ColumnType::kString) texts_[column.textIndex].emplace_back();
  nulls_.push_back(1);
  cells_.push_back(Number{});
  ++pending_;
}

void Table::AppendInteger(std::int64_t value) {
  const Column& column = NextColumn();
  if (column.type == ColumnType::kString) {
    throw std::invalid_argument("column " + column.name + " does not hold such a value");
  }
  Number number{};
  if (column.type == ColumnType::kInteger) {
    number.integer = value;
  } else {
    number.real = static_cast<double>(value);
  }
  nulls_.push_back(0);
  cells_.push_back(number);
  ++pending_;
}

void Table::AppendReal(double value) {
  const Column& column = NextColumn();
  if (column.type == ColumnType::kString || column.type == ColumnType::kInteger) {
    throw std::invalid_argument("column " + column.name + " does not hold such a value");
  }
  Number number{};
  number.real = value;
  nulls_.push_back(0);
  cells_.push_back(number);
  ++pending_;
}

void Table::AppendText(std::string_view text) {
  const Column& column = NextColumn();
  if (column.type != ColumnType::kString) {
    throw std::invalid_argument("column " + column.name + " does not hold such a value");
  }
  texts_[column.textIndex].emplace_back(text);
  nulls_.push_back(0);
  cells_.push_back(Number{});
  ++pending_;
}

void Table::EndRow() {
  if (pending_ != columns_.size()) {
    throw std::invalid_argument("row has " + std::to_string(pending_) + " cells, table has " +
                                std::to_string(columns_.size()) + " columns");
  }
  pending_ = 0;
  ++rows_;
}

}  // namespace VnKxHost
