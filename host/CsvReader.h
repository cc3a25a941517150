#pragma once

// Reads a CSV file row by row (RFC 4180: comma separated, double-quoted fields with "" for a
// quote, line breaks inside quotes, CRLF or LF line ends) without loading the file whole. An
// empty unquoted cell is a null. The text is UTF-8 (a byte-order mark is skipped) or, when asked,
// ISO-8859-1; either way it must be characters XML can carry, as names and texts go into
// documents. Malformed input throws CsvError naming the line and column.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace VnKxHost {

class CsvError : public std::runtime_error {
 public:
  CsvError(const std::string& path, std::size_t line, std::size_t column, const std::string& what);
};

// Thrown when a progress callback asks to stop reading.
class CsvCancelled : public std::runtime_error {
 public:
  CsvCancelled() : std::runtime_error("reading the data was cancelled") {}
};

struct CsvOptions {
  // The byte between cells; 0 takes the most frequent of ',', ';', tab and '|' outside quotes on
  // the header line (',' when it has none).
  char delimiter = ',';
  // The file's bytes are ISO-8859-1, not UTF-8.
  bool latin1 = false;
  // Cell texts read as null in every column. When there are none, "NA" is null in numeric
  // columns (the loader's rule) and text elsewhere.
  std::vector<std::string> na;
  // Called as the files are read (every mebibyte or so) with the bytes read and to be read over
  // all passes; returning false stops the reading with CsvCancelled.
  std::function<bool(double done, double total)> onProgress;
  // Only the rows that start in this byte range are read (RowShare gives such ranges; the
  // header is read whatever the range); all rows by default.
  std::uint64_t rowsBegin = 0;
  std::uint64_t rowsEnd = UINT64_MAX;
};

class CsvReader {
 public:
  struct Cell {
    std::string_view text;  // valid until the next ReadRow
    bool null;              // an empty unquoted cell
  };

  // Opens `path` and reads its header row. Throws CsvError when it cannot, and for a header that
  // names a column twice or leaves one unnamed.
  explicit CsvReader(const std::string& path, const CsvOptions& options = CsvOptions());

  const std::vector<std::string>& Header() const { return header_; }
  char Delimiter() const { return delimiter_; }
  // Reads the next data row into `cells`, one per header column; false at the end of the file.
  bool ReadRow(std::vector<Cell>& cells);
  // The line on which the last row read started (the header is line 1).
  std::size_t Line() const;
  // Has `onBytes` called with the bytes read so far as the file is read (every mebibyte or so);
  // when it returns false, reading stops with CsvCancelled.
  void OnBytes(std::function<bool(std::uint64_t)> onBytes) { onBytes_ = std::move(onBytes); }
  // The file's size in bytes, or the share's when one is set.
  std::uint64_t Size() const { return shareEnd_ - shareBegin_; }
  // Reads only the rows that start in [begin, end) from now on: `begin` must be the start of a
  // line after the header (RowShare gives such bounds). A row that starts in the share and ends
  // past `end` (a quoted cell holding the line break at `end`) throws CsvError: the share's
  // bounds would have cut it. Line numbers in errors stay the file's.
  void SetShare(std::uint64_t begin, std::uint64_t end);
  // The offset of the next byte to be parsed.
  std::uint64_t Offset() const { return read_ - filled_ + position_; }

 private:
  bool ReadRecord();  // reads one record into fields_; false at the end of the file
  // The next character, or -1 at the end; the buffer is refilled (and progress reported) out
  // of line, so that the per-character path stays small.
  int Get() {
    if (position_ == filled_ && !Refill()) return -1;
    return static_cast<unsigned char>(buffer_[position_++]);
  }
  bool Refill();  // reads the next block into the buffer; false at the end of the file
  int Peek();
  int ScanUnquoted();  // appends the rest of an unquoted cell; returns the character after it
  // Checks the record's text as UTF-8 XML characters, or turns it from ISO-8859-1 into UTF-8.
  void CheckText();
  // The delimiter that the header line (at the start of the buffer) uses most.
  char SniffDelimiter();
  [[noreturn]] void Fail(const std::string& what) const;

  std::string path_;
  std::function<bool(std::uint64_t)> onBytes_;
  std::uint64_t size_ = 0;
  std::uint64_t shareBegin_ = 0;
  std::uint64_t shareEnd_ = 0;  // the file's size without a share
  std::uint64_t read_ = 0;      // bytes read into the buffer so far
  std::uint64_t reported_ = 0;  // bytes at the last report
  char delimiter_ = ',';
  bool latin1_ = false;
  std::vector<std::string> na_;
  std::ifstream in_;
  std::vector<char> buffer_;
  std::size_t position_ = 0;
  std::size_t filled_ = 0;
  std::size_t line_ = 1;
  std::size_t rowLine_ = 1;
  std::size_t column_ = 0;
  std::vector<std::string> header_;
  std::string text_;               // the current record's cells, back to back
  std::vector<std::size_t> ends_;  // end of each cell in text_
  std::vector<char> quoted_;       // per cell: whether it was quoted
};

// Part `part` of `parts` of the file's rows, as a byte range [begin, end) for SetShare: the
// bytes after the header cut into equal parts, each bound moved forward to the start of a line.
// The parts cover every row once; a part may be empty. Throws CsvError as CsvReader does.
std::pair<std::uint64_t, std::uint64_t> RowShare(const std::string& path, const CsvOptions& options,
                                                 int part, int parts);

}  // namespace VnKxHost
