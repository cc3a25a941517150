#pragma once

// Prints a component's result document (tables and notes, as the sample components give them)
// as aligned text for the screen, as CSV, as JSON, or as indented XML.

#include <cstddef>
#include <string>

namespace VnKxHost {

enum class ResultFormat { kTable, kCsv, kJson, kXml };

// The screen form: notes, then each table with its numbers right-aligned. A table with a
// "category" column shows at most `maxCategories` rows per value of its first column (0: all),
// and a count of the rest. Any other document is printed as indented XML.
std::string FormatResult(const std::string& resultXml, std::size_t maxCategories = 0);

// `format` chooses: kTable as above; kCsv, each part a block (a title line, a header, its rows;
// the notes first as name,value) with a blank line between, RFC 4180 quoting; kJson, an object
// {"component", "notes": {name: value}, "tables": [{"title", "columns", "rows"}]} with numbers
// as numbers and "nan" as null; kXml, the document indented, ending in a newline.
std::string FormatResult(const std::string& resultXml, ResultFormat format,
                         std::size_t maxCategories);

}  // namespace VnKxHost
