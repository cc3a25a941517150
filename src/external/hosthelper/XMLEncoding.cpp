#include "external/hosthelper/detail/XMLEncoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "external/hosthelper/XMLException.h"

namespace KxCppHelperV1 {
namespace xmltree {
namespace {

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

// The encoding that an XML declaration at the start of `text` names, or empty. The declaration
// ends at its "?>", or where the text does (its first zero byte, or `length`), however long.
std::string_view DeclaredEncoding(const char* text, std::size_t length) {
  if (length < 6 || std::string_view(text, 5) != "<?xml" ||
      !(text[5] == ' ' || text[5] == '\t' || text[5] == '\n' || text[5] == '\r')) {
    return {};
  }
  std::size_t end = 6;
  while (end < length && text[end] != '\0' &&
         !(text[end] == '?' && end + 1 < length && text[end + 1] == '>')) {
    ++end;
  }
  const std::string_view declaration(text, end);
  const std::size_t at = declaration.find("encoding");
  if (at == std::string_view::npos) return {};
  std::size_t i = declaration.find_first_of("\"'", at);
  if (i == std::string_view::npos) return {};
  const std::size_t close = declaration.find(declaration[i], i + 1);
  if (close == std::string_view::npos) return {};
  return declaration.substr(i + 1, close - i - 1);
}

void Convert(const char* from, const char* text, std::size_t length, std::string& utf8) {
  iconv_t converter = iconv_open("UTF-8", from);
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    throw XMLException(std::string("the document's encoding '") + from +
                       "' is not one this reader can read");
  }
  utf8.assign(length * 4 + 4, '\0');
  char* in = const_cast<char*>(text);
  std::size_t inLeft = length;
  char* out = &utf8[0];
  std::size_t outLeft = utf8.size();
  const std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
  const int error = errno;
  iconv_close(converter);
  if (result == static_cast<std::size_t>(-1)) {
    const auto offset = static_cast<std::size_t>(in - text);
    throw XMLException("malformed document at offset " + std::to_string(offset) + ": " +
                       (error == EINVAL ? "the text ends inside a character of encoding '"
                                        : "bytes not valid in the document's encoding '") +
                       from + "'");
  }
  utf8.resize(utf8.size() - outLeft);
}

}  // namespace

bool Transcode(const char* text, std::size_t length, std::string& utf8) {
  const auto* u = reinterpret_cast<const unsigned char*>(text);
  const char* utf16 = nullptr;
  std::size_t skip = 0;
  if (length >= 2 && u[0] == 0xFF && u[1] == 0xFE) {
    utf16 = "UTF-16LE";
    skip = 2;
  } else if (length >= 2 && u[0] == 0xFE && u[1] == 0xFF) {
    utf16 = "UTF-16BE";
    skip = 2;
  } else if (length >= 4 && u[0] == '<' && u[1] == 0 && u[2] == '?' && u[3] == 0) {
    utf16 = "UTF-16LE";
  } else if (length >= 4 && u[0] == 0 && u[1] == '<' && u[2] == 0 && u[3] == '?') {
    utf16 = "UTF-16BE";
  }
  if (utf16 != nullptr) {
    // The text ends at its first NUL character, as UTF-8 text ends at its first zero byte;
    // what follows it is not read, nor a byte after the last whole code unit (the zero that
    // ends host text, say).
    std::size_t bytes = 0;
    while (skip + bytes + 1 < length && (text[skip + bytes] != 0 || text[skip + bytes + 1] != 0)) {
      bytes += 2;
    }
    Convert(utf16, text + skip, bytes, utf8);
    // A declaration may name UTF-16 (or say nothing of the encoding), and nothing else.
    const std::string_view declared = DeclaredEncoding(utf8.data(), utf8.size());
    if (!declared.empty() &&
        !(declared.size() >= 6 && SameLetters(declared.substr(0, 6), "UTF-16")) &&
        !SameLetters(declared, "ISO-10646-UCS-2") && !SameLetters(declared, "UCS-2")) {
      throw XMLException("malformed document at offset 0: the text is UTF-16 but declared " +
                         std::string(declared));
    }
    return true;
  }
  std::size_t start = 0;
  if (length >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) start = 3;
  const std::string_view declared = DeclaredEncoding(text + start, length - start);
  if (declared.empty() || SameLetters(declared, "UTF-8") || SameLetters(declared, "UTF8")) {
    return false;
  }
  if (declared.size() >= 6 && SameLetters(declared.substr(0, 6), "UTF-16")) {
    throw XMLException("malformed document at offset 0: declared " + std::string(declared) +
                       " but the text is not UTF-16 (no byte-order mark)");
  }
  if (start != 0) {
    throw XMLException(
        "malformed document at offset 0: a UTF-8 byte-order mark on a document "
        "declared " +
        std::string(declared));
  }
  const void* end = std::memchr(text, 0, length);
  const std::size_t textLength =
      end == nullptr ? length : static_cast<std::size_t>(static_cast<const char*>(end) - text);
  Convert(std::string(declared).c_str(), text, textLength, utf8);
  return true;
}

}  // namespace xmltree
}  // namespace KxCppHelperV1
