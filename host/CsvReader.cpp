#include "host/CsvReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_map>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "external/hosthelper/detail/XMLChars.h"

namespace VnKxHost {
namespace {

// The first of `delimiter`, '\n', '\r' and '"' in [p, end), or end.
const char* FindSpecial(const char* p, const char* end, char delimiter) {
#if defined(__SSE2__)
  const __m128i comma = _mm_set1_epi8(delimiter);
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
  while (p != end && *p != delimiter && *p != '\n' && *p != '\r' && *p != '"') ++p;
  return p;
}

}  // namespace

CsvError::CsvError(const std::string& path, std::size_t line, std::size_t column,
                   const std::string& what)
    : std::runtime_error(path + (line > 0 ? ": line " + std::to_string(line) : std::string()) +
                         (column > 0 ? ", column " + std::to_string(column) : std::string()) +
                         ": " + what) {}

CsvReader::CsvReader(const std::string& path, const CsvOptions& options)
    : path_(path),
      delimiter_(options.delimiter),
      latin1_(options.latin1),
      na_(options.na),
      in_(path, std::ios::binary),
      buffer_(1 << 16) {
  if (!in_) {
    throw CsvError(path, 0, 0, std::string("cannot open the file (") + std::strerror(errno) + ")");
  }
  in_.seekg(0, std::ios::end);
  size_ = static_cast<std::uint64_t>(std::max<std::streamoff>(in_.tellg(), 0));
  in_.seekg(0, std::ios::beg);
  shareEnd_ = size_;
  // A UTF-8 byte-order mark is not part of the first column's name.
  if (Peek() != -1 && filled_ >= 3 && buffer_[0] == '\xEF' && buffer_[1] == '\xBB' &&
      buffer_[2] == '\xBF') {
    position_ = 3;
  }
  if (delimiter_ == '\0') delimiter_ = SniffDelimiter();
  if (!ReadRecord()) Fail("the file is empty: a header row is needed");
  std::unordered_map<std::string_view, std::size_t> columns;
  for (std::size_t i = 0; i < ends_.size(); ++i) {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    header_.push_back(text_.substr(begin, ends_[i] - begin));
    column_ = i + 1;
    if (header_.back().empty()) Fail("a column without a name");
  }
  for (std::size_t i = 0; i < header_.size(); ++i) {
    const auto [at, added] = columns.emplace(header_[i], i);
    if (!added) {
      column_ = i + 1;
      Fail("the column name '" + header_[i] + "' is used twice (columns " +
           std::to_string(at->second + 1) + " and " + std::to_string(i + 1) +
           "): names must be unique");
    }
  }
  if (options.rowsBegin > Offset() || options.rowsEnd < size_) {
    SetShare(std::max(options.rowsBegin, Offset()), options.rowsEnd);
  }
}

char CsvReader::SniffDelimiter() {
  static const char kCandidates[] = {',', ';', '\t', '|'};
  std::size_t counts[4] = {};
  bool quoted = false;
  for (std::size_t i = position_; i < filled_; ++i) {
    const char c = buffer_[i];
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\n' || c == '\r') break;
    for (std::size_t k = 0; k < 4; ++k) counts[k] += c == kCandidates[k];
  }
  std::size_t best = 0;
  for (std::size_t k = 1; k < 4; ++k) {
    if (counts[k] > counts[best]) best = k;
  }
  return kCandidates[best];
}

void CsvReader::CheckText() {
  if (latin1_) {
    // Bytes beyond ASCII are the characters of the same number, two bytes each in UTF-8.
    std::size_t high = 0;
    for (const char c : text_) high += static_cast<unsigned char>(c) >= 0x80;
    if (high != 0) {
      std::string utf8;
      utf8.reserve(text_.size() + high);
      std::size_t cell = 0;
      for (std::size_t i = 0; i < text_.size(); ++i) {
        while (cell < ends_.size() && ends_[cell] == i) ends_[cell++] = utf8.size();
        const auto c = static_cast<unsigned char>(text_[i]);
        if (c < 0x80) {
          utf8 += static_cast<char>(c);
        } else {
          utf8 += static_cast<char>(0xC0 | (c >> 6));
          utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
      }
      while (cell < ends_.size()) ends_[cell++] = utf8.size();
      text_.swap(utf8);
    }
  }
  bool utf8 = false;
  const std::size_t at =
      KxCppHelperV1::xmlchars::FirstInvalidChar(text_.data(), text_.size(), utf8);
  if (at == text_.size()) return;
  // The cell and the line that hold it (a quoted cell may span lines).
  column_ =
      static_cast<std::size_t>(std::upper_bound(ends_.begin(), ends_.end(), at) - ends_.begin()) +
      1;
  rowLine_ += static_cast<std::size_t>(std::count(text_.begin(), text_.begin() + at, '\n'));
  const std::string what =
      utf8 ? "bytes that are not UTF-8 (if the file is Latin-1, read it with --encoding latin1)"
           : "a control character, which the documents made from the file cannot hold";
  Fail(what);
}

bool CsvReader::Refill() {
  in_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  filled_ = static_cast<std::size_t>(in_.gcount());
  position_ = 0;
  read_ += filled_;
  if (onBytes_ && read_ - reported_ >= (std::uint64_t{1} << 20)) {
    reported_ = read_;
    if (!onBytes_(read_ - shareBegin_)) throw CsvCancelled();
  }
  return filled_ != 0;
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
    const char* p = FindSpecial(begin, end, delimiter_);
    text_.append(begin, static_cast<std::size_t>(p - begin));
    position_ += static_cast<std::size_t>(p - begin);
    if (p != end) return Get();
  }
}

std::size_t CsvReader::Line() const {
  // Within a share, lines are counted from its start; the lines before it are counted when
  // asked for (an error is being reported).
  std::size_t before = 0;
  if (shareBegin_ > 0) {
    std::ifstream in(path_, std::ios::binary);
    std::vector<char> block(1 << 16);
    for (std::uint64_t left = shareBegin_; left > 0 && in;) {
      in.read(block.data(),
              static_cast<std::streamsize>(std::min<std::uint64_t>(left, block.size())));
      const auto got = static_cast<std::size_t>(in.gcount());
      if (got == 0) break;
      before += static_cast<std::size_t>(std::count(block.begin(), block.begin() + got, '\n'));
      left -= got;
    }
  }
  return rowLine_ + before;
}

void CsvReader::Fail(const std::string& what) const {
  throw CsvError(path_, Line(), column_, what);
}

void CsvReader::SetShare(std::uint64_t begin, std::uint64_t end) {
  in_.clear();
  in_.seekg(static_cast<std::streamoff>(begin), std::ios::beg);
  filled_ = position_ = 0;
  read_ = reported_ = shareBegin_ = begin;
  shareEnd_ = std::max(begin, std::min(end, size_));
  line_ = 1;
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
      if (c != delimiter_ && c != '\n' && c != '\r' && c != -1) Fail("text after a closing quote");
    } else if (c != delimiter_ && c != '\n' && c != '\r' && c != -1) {
      if (c == '"') Fail("a quote inside an unquoted cell");
      text_ += static_cast<char>(c);
      c = ScanUnquoted();
      if (c == '"') Fail("a quote inside an unquoted cell");
    }
    ends_.push_back(text_.size());
    quoted_.push_back(quoted);
    if (c == delimiter_) {
      ++column_;
      c = Get();
      continue;
    }
    if (c == '\r' && Peek() == '\n') Get();
    if (c != -1) ++line_;
    CheckText();
    return true;
  }
}

bool CsvReader::ReadRow(std::vector<Cell>& cells) {
  do {
    if (Offset() >= shareEnd_ || !ReadRecord()) return false;
    // A blank line (one empty unquoted cell) is not a row.
  } while (ends_.size() == 1 && ends_[0] == 0 && !quoted_[0] && header_.size() != 1);
  if (Offset() > shareEnd_) {
    column_ = 0;
    Fail(
        "a quoted cell holds the line break where the rows were split between processes; "
        "run this file in one process");
  }
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
  if (na_.empty()) return true;
  for (Cell& cell : cells) {
    for (const std::string& na : na_) cell.null = cell.null || cell.text == na;
  }
  return true;
}

namespace {

// The first line start at or after `at` (`size` when there is none).
std::uint64_t LineStart(std::ifstream& in, std::uint64_t at, std::uint64_t size) {
  if (at >= size) return size;
  in.clear();
  in.seekg(static_cast<std::streamoff>(at - 1), std::ios::beg);
  std::vector<char> block(1 << 16);
  std::uint64_t position = at - 1;
  while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
    const auto got = static_cast<std::size_t>(in.gcount());
    const void* found = std::memchr(block.data(), '\n', got);
    if (found != nullptr) {
      return position + static_cast<std::uint64_t>(static_cast<const char*>(found) - block.data()) +
             1;
    }
    position += got;
  }
  return size;
}

}  // namespace

std::pair<std::uint64_t, std::uint64_t> RowShare(const std::string& path, const CsvOptions& options,
                                                 int part, int parts) {
  CsvOptions plain = options;
  plain.onProgress = nullptr;
  plain.rowsBegin = 0;
  plain.rowsEnd = UINT64_MAX;
  const CsvReader reader(path, plain);
  const std::uint64_t first = reader.Offset();
  const std::uint64_t size = reader.Size();
  std::ifstream in(path, std::ios::binary);
  auto bound = [&](int k) -> std::uint64_t {
    if (k <= 0) return first;
    if (k >= parts) return size;
    const std::uint64_t nominal =
        first + static_cast<std::uint64_t>(static_cast<long double>(size - first) * k / parts);
    return LineStart(in, std::max(nominal, first), size);
  };
  return {bound(part), bound(part + 1)};
}

}  // namespace VnKxHost
