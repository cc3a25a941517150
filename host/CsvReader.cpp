#include "host/CsvReader.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace VnKxHost {
namespace {

// The first of ',', '\n', '\r' and '"' in [p, end), or end.
const char* FindSpecial(const char* p, const char* end) {
#if defined(__SSE2__)
  const __m128i comma = _mm_set1_epi8(',');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i quote = _mm_set1_epi8('"');
  for (; end - p >= 16; p += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int found = _mm_movemask_epi8(
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, comma), _mm_cmpeq_epi8(bytes, lf)),
                     _mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, quote))));
    if (found != 0) return p + __builtin_ctz(static_cast<unsigned>(found));
  }
#endif
  while (p != end && *p != ',' && *p != '\n' && *p != '\r' && *p != '"') ++p;
  return p;
}

}  // namespace

CsvError::CsvError(const std::string& path, std::size_t line, std::size_t column,
                   const std::string& what)
    : std::runtime_error(path + (line > 0 ? ": line " + std::to_string(line) : std::string()) +
                         (column > 0 ? ", column " + std::to_string(column) : std::string()) +
                         ": " + what) {}

CsvReader::CsvReader(const std::string& path)
    : path_(path), in_(path, std::ios::binary), buffer_(1 << 16) {
  if (!in_) throw CsvError(path, 0, 0, "cannot open the file");
  if (!ReadRecord()) Fail("the file is empty: a header row is needed");
  for (std::size_t i = 0; i < ends_.size(); ++i) {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    header_.push_back(text_.substr(begin, ends_[i] - begin));
    if (header_.back().empty()) {
      column_ = i + 1;
      Fail("a column without a name");
    }
  }
}

int CsvReader::Get() {
  if (position_ == filled_) {
    in_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    filled_ = static_cast<std::size_t>(in_.gcount());
    position_ = 0;
    if (filled_ == 0) return -1;
  }
  return static_cast<unsigned char>(buffer_[position_++]);
}

int CsvReader::Peek() {
  const int c = Get();
  if (c != -1) --position_;
  return c;
}

int CsvReader::ScanUnquoted() {
  // Appends the run of ordinary characters a buffer at a time; returns the character after it.
  for (;;) {
    if (position_ == filled_ && Peek() == -1) return Get();
    const char* begin = buffer_.data() + position_;
    const char* end = buffer_.data() + filled_;
    const char* p = FindSpecial(begin, end);
    text_.append(begin, static_cast<std::size_t>(p - begin));
    position_ += static_cast<std::size_t>(p - begin);
    if (p != end) return Get();
  }
}

void CsvReader::Fail(const std::string& what) const {
  throw CsvError(path_, rowLine_, column_, what);
}

bool CsvReader::ReadRecord() {
  text_.clear();
  ends_.clear();
  quoted_.clear();
  rowLine_ = line_;
  int c = Get();
  if (c == -1) return false;
  column_ = 1;
  for (;;) {
    // One cell.
    bool quoted = false;
    if (c == '"') {
      quoted = true;
      for (;;) {
        c = Get();
        if (c == -1) Fail("a quoted cell is not closed");
        if (c == '"') {
          if (Peek() == '"') {
            Get();
            text_ += '"';
            continue;
          }
          break;
        }
        if (c == '\n') ++line_;
        text_ += static_cast<char>(c);
      }
      c = Get();
      if (c != ',' && c != '\n' && c != '\r' && c != -1) Fail("text after a closing quote");
    } else if (c != ',' && c != '\n' && c != '\r' && c != -1) {
      if (c == '"') Fail("a quote inside an unquoted cell");
      text_ += static_cast<char>(c);
      c = ScanUnquoted();
      if (c == '"') Fail("a quote inside an unquoted cell");
    }
    ends_.push_back(text_.size());
    quoted_.push_back(quoted);
    if (c == ',') {
      ++column_;
      c = Get();
      continue;
    }
    if (c == '\r' && Peek() == '\n') Get();
    if (c != -1) ++line_;
    return true;
  }
}

bool CsvReader::ReadRow(std::vector<Cell>& cells) {
  do {
    if (!ReadRecord()) return false;
    // A blank line (one empty unquoted cell) is not a row.
  } while (ends_.size() == 1 && ends_[0] == 0 && !quoted_[0] && header_.size() != 1);
  if (ends_.size() != header_.size()) {
    column_ = 0;
    Fail("the row has " + std::to_string(ends_.size()) + " cells, the header " +
         std::to_string(header_.size()));
  }
  cells.resize(ends_.size());
  for (std::size_t i = 0; i < ends_.size(); ++i) {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    cells[i].text = std::string_view(text_).substr(begin, ends_[i] - begin);
    cells[i].null = !quoted_[i] && cells[i].text.empty();
  }
  return true;
}

}  // namespace VnKxHost
