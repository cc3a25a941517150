#pragma once

// The document's encoding: UTF-8 is read where it lies; UTF-16 (found by its byte-order mark or
// its first characters) and any encoding that an XML declaration names and the C library's
// iconv knows (ISO-8859-1, windows-1252, US-ASCII ...) are transcoded to UTF-8 first.

#include <cstddef>
#include <string>

namespace KxCppHelperV1 {
namespace xmltree {

// False when text[0, length) is to be read as UTF-8 as it is; otherwise true, with the text
// transcoded into `utf8`. Throws XMLException for an encoding that cannot be read, a document
// declared UTF-16 without UTF-16 text, and bytes that are not valid in the encoding.
// `length` counts every byte given: UTF-16 text holds zero bytes; text in a byte encoding ends
// at its first zero byte.
bool Transcode(const char* text, std::size_t length, std::string& utf8);

}  // namespace xmltree
}  // namespace KxCppHelperV1
