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

void PrintTable(const XMLElement& table, std::ostringstream& out) {
  std::vector<std::vector<std::string>> rows(1);
  for (auto it = table.getElementsDirect("Column"); it.hasMore();) {
    rows[0].push_back(it.next().getAttribute("name"));
  }
  for (auto it = table.getElementsDirect("Row"); it.hasMore();) {
    const XMLElement row = it.next();
    rows.emplace_back();
    for (auto cell = row.getElementsDirect("Cell"); cell.hasMore();) {
      rows.back().push_back(Shorten(cell.next().getText()));
    }
  }
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

}  // namespace

std::string FormatResult(const std::string& resultXml) {
  KxCppHelperV1::XMLDocument doc;
  try {
    doc = KxCppHelperV1::HostHelper::createFromContents(resultXml);
  } catch (const KxCppHelperV1::XMLException&) {
    return resultXml + "\n";
  }
  std::ostringstream out;
  if (!doc.hasName("Result")) return doc.doc2string() + "\n";
  out << "Result of " << doc.getAttribute("component") << "\n";
  for (auto it = doc.getElementsDirect("Note"); it.hasMore();) {
    const XMLElement note = it.next();
    out << "  " << note.getAttribute("name") << ": " << Shorten(note.getAttribute("value")) << "\n";
  }
  for (auto it = doc.getElementsDirect("Table"); it.hasMore();) PrintTable(it.next(), out);
  return out.str();
}

}  // namespace VnKxHost
