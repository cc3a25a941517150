#include "host/ResultPrinter.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <vector>

#include "external/hosthelper/HostHelper.h"
#include "external/hosthelper/XMLException.h"
#include "host/CsvLoader.h"

namespace VnKxHost {
namespace {

using KxCppHelperV1::XMLElement;

// Numbers shown with ten significant digits; the result document keeps them all.
std::string Shorten(const std::string& text) {
  double value = 0;
  if (!ParseReal(text, value) || text.size() <= 12) return text;
  char shown[32];
  std::snprintf(shown, sizeof(shown), "%.10g", value);
  return shown;
}

void PrintTable(const XMLElement& table, std::size_t maxCategories, std::ostringstream& out) {
  std::vector<std::vector<std::string>> rows(1);
  for (auto it = table.getElementsDirect("Column"); it.hasMore();) {
    rows[0].push_back(it.next().getAttribute("name"));
  }
  // Rows per value of the first column are limited where the table lists categories.
  const bool limited =
      maxCategories > 0 && std::find(rows[0].begin(), rows[0].end(), "category") != rows[0].end();
  std::string group;
  std::size_t shown = 0;
  std::size_t hidden = 0;
  const auto closeGroup = [&] {
    if (hidden == 0) return;
    rows.push_back({group, "(" + std::to_string(hidden) + " more)"});
    hidden = 0;
  };
  for (auto it = table.getElementsDirect("Row"); it.hasMore();) {
    const XMLElement row = it.next();
    std::vector<std::string> cells;
    for (auto cell = row.getElementsDirect("Cell"); cell.hasMore();) {
      cells.push_back(Shorten(cell.next().getText()));
    }
    if (limited && !cells.empty()) {
      if (cells[0] != group) {
        closeGroup();
        group = cells[0];
        shown = 0;
      }
      if (shown == maxCategories) {
        ++hidden;
        continue;
      }
      ++shown;
    }
    rows.push_back(std::move(cells));
  }
  closeGroup();
  if (rows.size() == 1) return;
  std::vector<size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  out << "\n" << table.getAttribute("title") << "\n";
  for (size_t r = 0; r < rows.size(); ++r) {
    out << " ";
    for (size_t c = 0; c < rows[r].size(); ++c) {
      const std::string& cell = rows[r][c];
      double number = 0;
      const bool left = r == 0 || !(ParseReal(cell, number) || cell == "nan");
      const std::string pad(widths[c] - cell.size(), ' ');
      out << " " << (left ? cell + pad : pad + cell);
    }
    out << "\n";
    if (r == 0) {
      out << " ";
      for (size_t width : widths) out << " " << std::string(width, '-');
      out << "\n";
    }
  }
}

std::string CsvCell(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

void CsvLine(const std::vector<std::string>& cells, std::ostringstream& out) {
  for (std::size_t i = 0; i < cells.size(); ++i) out << (i == 0 ? "" : ",") << CsvCell(cells[i]);
  out << "\n";
}

std::string JsonText(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        quoted += "\\\"";
        break;
      case '\\':
        quoted += "\\\\";
        break;
      case '\n':
        quoted += "\\n";
        break;
      case '\r':
        quoted += "\\r";
        break;
      case '\t':
        quoted += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
          quoted += escaped;
        } else {
          quoted += c;
        }
    }
  }
  return quoted + "\"";
}

// Whether `text` is a number as JSON writes one: -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
bool JsonNumber(const std::string& text) {
  std::size_t i = 0;
  const auto digits = [&] {
    const std::size_t start = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    return i - start;
  };
  if (i < text.size() && text[i] == '-') ++i;
  const std::size_t first = i;
  const std::size_t whole = digits();
  if (whole == 0 || (whole > 1 && text[first] == '0')) return false;
  if (i < text.size() && text[i] == '.') {
    ++i;
    if (digits() == 0) return false;
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == text.size();
}

// A cell as JSON: a number where the text is one, null for "nan", else a string.
std::string JsonValue(const std::string& text) {
  if (text == "nan") return "null";
  return JsonNumber(text) ? text : JsonText(text);
}

std::vector<std::string> Texts(const XMLElement& parent, const char* element, bool attribute) {
  std::vector<std::string> texts;
  for (auto it = parent.getElementsDirect(element); it.hasMore();) {
    const XMLElement child = it.next();
    texts.push_back(attribute ? child.getAttribute("name") : child.getText());
  }
  return texts;
}

std::string Csv(const KxCppHelperV1::XMLDocument& doc) {
  std::ostringstream out;
  out << "Notes\nname,value\n";
  for (auto it = doc.getElementsDirect("Note"); it.hasMore();) {
    const XMLElement note = it.next();
    CsvLine({note.getAttribute("name"), note.getAttribute("value")}, out);
  }
  for (auto it = doc.getElementsDirect("Table"); it.hasMore();) {
    const XMLElement table = it.next();
    out << "\n" << CsvCell(table.getAttribute("title")) << "\n";
    CsvLine(Texts(table, "Column", true), out);
    for (auto row = table.getElementsDirect("Row"); row.hasMore();) {
      CsvLine(Texts(row.next(), "Cell", false), out);
    }
  }
  return out.str();
}

std::string Json(const KxCppHelperV1::XMLDocument& doc) {
  std::ostringstream out;
  out << "{\"component\": " << JsonText(doc.getAttribute("component")) << ",\n \"notes\": {";
  bool first = true;
  for (auto it = doc.getElementsDirect("Note"); it.hasMore(); first = false) {
    const XMLElement note = it.next();
    out << (first ? "" : ", ") << JsonText(note.getAttribute("name")) << ": "
        << JsonValue(note.getAttribute("value"));
  }
  out << "},\n \"tables\": [";
  first = true;
  for (auto it = doc.getElementsDirect("Table"); it.hasMore(); first = false) {
    const XMLElement table = it.next();
    out << (first ? "" : ",") << "\n  {\"title\": " << JsonText(table.getAttribute("title"))
        << ", \"columns\": [";
    const std::vector<std::string> columns = Texts(table, "Column", true);
    for (std::size_t i = 0; i < columns.size(); ++i) {
      out << (i == 0 ? "" : ", ") << JsonText(columns[i]);
    }
    out << "], \"rows\": [";
    bool firstRow = true;
    for (auto row = table.getElementsDirect("Row"); row.hasMore(); firstRow = false) {
      const std::vector<std::string> cells = Texts(row.next(), "Cell", false);
      out << (firstRow ? "" : ", ") << "[";
      for (std::size_t i = 0; i < cells.size(); ++i) {
        out << (i == 0 ? "" : ", ") << JsonValue(cells[i]);
      }
      out << "]";
    }
    out << "]}";
  }
  out << "]}\n";
  return out.str();
}

}  // namespace

std::string FormatResult(const std::string& resultXml, std::size_t maxCategories) {
  return FormatResult(resultXml, ResultFormat::kTable, maxCategories);
}

std::string FormatResult(const std::string& resultXml, ResultFormat format,
                         std::size_t maxCategories) {
  KxCppHelperV1::XMLDocument doc;
  try {
    doc = KxCppHelperV1::HostHelper::createFromContents(resultXml);
  } catch (const KxCppHelperV1::XMLException&) {
    return resultXml + "\n";
  }
  const bool result = doc.hasName("Result");
  if (format == ResultFormat::kXml || !result) return doc.doc2prettyString();
  if (format == ResultFormat::kCsv) return Csv(doc);
  if (format == ResultFormat::kJson) return Json(doc);
  std::ostringstream out;
  out << "Result of " << doc.getAttribute("component") << "\n";
  for (auto it = doc.getElementsDirect("Note"); it.hasMore();) {
    const XMLElement note = it.next();
    out << "  " << note.getAttribute("name") << ": " << Shorten(note.getAttribute("value")) << "\n";
  }
  for (auto it = doc.getElementsDirect("Table"); it.hasMore();) {
    PrintTable(it.next(), maxCategories, out);
  }
  return out.str();
}

}  // namespace VnKxHost
