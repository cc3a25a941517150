#pragma once

// A typed in-memory table as the host holds an input: columns of integers (64-bit), reals,
// strings, dates, times or timestamps (doubles), each cell possibly null. Numeric cells are
// stored row by row, as a host's record buffer holds them, so that a record is contiguous. Misuse
// (a cell of the wrong kind, a row of the wrong width) throws std::invalid_argument: this is test
// tooling.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace VnKxHost {

// Numbered as the library's field storages.
enum class ColumnType {
  kInteger = 1,
  kReal = 2,
  kString = 3,
  kDate = 4,
  kTime = 5,
  kTimestamp = 6
};

// One cell value for building rows: null, an integer, a real or a text.
class Cell {
 public:
  static Cell Null() { return Cell(); }
  Cell(int value) : value_(static_cast<std::int64_t>(value)) {}
  Cell(std::int64_t value) : value_(value) {}
  Cell(double value) : value_(value) {}
  Cell(const char* value) : value_(std::string(value)) {}
  Cell(std::string value) : value_(std::move(value)) {}

  bool IsNull() const { return value_.index() == 0; }
  const std::variant<std::monostate, std::int64_t, double, std::string>& Value() const {
    return value_;
  }

 private:
  Cell() = default;
  std::variant<std::monostate, std::int64_t, double, std::string> value_;
};

class Table {
 public:
  // Adds a column (before any row) and returns its index.
  std::size_t AddColumn(const std::string& name, ColumnType type);
  // Appends one row with a cell per column. An integer fits a real-valued column.
  void AddRow(const std::vector<Cell>& cells);
  void Reserve(std::size_t rows);
  // Appends one row a cell at a time, in column order, then EndRow(); what AddRow does without
  // building Cells. A cell of the wrong kind, or EndRow() on a row of the wrong width, throws;
  // the row is then left unfinished.
  void AppendNull();
  void AppendInteger(std::int64_t value);  // integer or real-valued columns
  void AppendReal(double value);           // real-valued columns
  void AppendText(std::string_view text);  // string columns
  void EndRow();

  std::size_t ColumnCount() const { return columns_.size(); }
  std::size_t RowCount() const { return rows_; }
  const std::string& ColumnName(std::size_t column) const { return columns_[column].name; }
  ColumnType Type(std::size_t column) const { return columns_[column].type; }

  bool IsNull(std::size_t row, std::size_t column) const { return nulls_[Slot(row, column)] != 0; }
  // The 8 bytes of an integer or real-valued cell, or the bytes of a text cell.
  const void* Bytes(std::size_t row, std::size_t column, std::size_t& size) const {
    if (columns_[column].type == ColumnType::kString) {
      const std::string& text = Text(row, column);
      size = text.size();
      return text.data();
    }
    size = 8;
    return &cells_[Slot(row, column)];
  }
  std::int64_t Integer(std::size_t row, std::size_t column) const {
    return cells_[Slot(row, column)].integer;
  }
  double Real(std::size_t row, std::size_t column) const { return cells_[Slot(row, column)].real; }
  const std::string& Text(std::size_t row, std::size_t column) const {
    return texts_[columns_[column].textIndex][row];
  }

 private:
  struct Column {
    std::string name;
    ColumnType type;
    std::size_t textIndex;  // for string columns, the column's place in texts_
  };
  union Number {
    std::int64_t integer;
    double real;
  };
  std::size_t Slot(std::size_t row, std::size_t column) const {
    return row * columns_.size() + column;
  }
  // The column the next appended cell goes to.
  const Column& NextColumn() const;

  std::vector<Column> columns_;
  std::vector<Number> cells_;                    // row-major, one per cell
  std::vector<std::uint8_t> nulls_;              // row-major, one per cell
  std::vector<std::vector<std::string>> texts_;  // per string column, one per row
  std::size_t rows_ = 0;
  std::size_t pending_ = 0;  // cells appended to the unfinished row
};

}  // namespace VnKxHost
