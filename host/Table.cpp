#include "host/Table.h"

#include <stdexcept>

namespace VnKxHost {

std::size_t Table::AddColumn(const std::string& name, ColumnType type) {
  if (rows_ != 0) throw std::invalid_argument("columns must be added before rows");
  columns_.push_back(Column{name, type, {}, {}, {}, {}});
  return columns_.size() - 1;
}

void Table::Reserve(std::size_t rows) {
  for (Column& column : columns_) {
    column.nulls.reserve(rows);
    if (column.type == ColumnType::kInteger) {
      column.integers.reserve(rows);
    } else if (column.type == ColumnType::kString) {
      column.texts.reserve(rows);
    } else {
      column.reals.reserve(rows);
    }
  }
}

void Table::AddRow(const std::vector<Cell>& cells) {
  if (cells.size() != columns_.size()) {
    throw std::invalid_argument("row has " + std::to_string(cells.size()) + " cells, table has " +
                                std::to_string(columns_.size()) + " columns");
  }
  for (std::size_t c = 0; c < cells.size(); ++c) Append(columns_[c], cells[c]);
  ++rows_;
}

void Table::Append(Column& column, const Cell& cell) {
  const auto& value = cell.Value();
  column.nulls.push_back(cell.IsNull() ? 1 : 0);
  switch (column.type) {
    case ColumnType::kInteger:
      if (!cell.IsNull() && !std::holds_alternative<std::int64_t>(value)) {
        throw std::invalid_argument("column " + column.name + " holds integers");
      }
      column.integers.push_back(cell.IsNull() ? 0 : std::get<std::int64_t>(value));
      return;
    case ColumnType::kString:
      if (!cell.IsNull() && !std::holds_alternative<std::string>(value)) {
        throw std::invalid_argument("column " + column.name + " holds texts");
      }
      column.texts.push_back(cell.IsNull() ? std::string() : std::get<std::string>(value));
      return;
    default:
      if (std::holds_alternative<std::string>(value)) {
        throw std::invalid_argument("column " + column.name + " holds numbers");
      }
      if (std::holds_alternative<std::int64_t>(value)) {
        column.reals.push_back(static_cast<double>(std::get<std::int64_t>(value)));
      } else {
        column.reals.push_back(cell.IsNull() ? 0.0 : std::get<double>(value));
      }
      return;
  }
}

const void* Table::Bytes(std::size_t row, std::size_t column, std::size_t& size) const {
  const Column& c = columns_[column];
  switch (c.type) {
    case ColumnType::kInteger:
      size = sizeof(std::int64_t);
      return &c.integers[row];
    case ColumnType::kString:
      size = c.texts[row].size();
      return c.texts[row].data();
    default:
      size = sizeof(double);
      return &c.reals[row];
  }
}

}  // namespace VnKxHost
