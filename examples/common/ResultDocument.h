#pragma once

// A component's result as the sample components give it: named tables of text cells and
// name/value notes under <Result component="...">, which a host can print as it likes.

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "external/hosthelper/HostHelper.h"

namespace VnKxExample {

// Shortest text that reads back as the same double; a whole number below 2^53 in plain digits
// (500000, not 5e+05), as counts and weights are read by people.
inline std::string FormatNumber(double value) {
  if (std::isnan(value)) return "nan";
  char text[32];
  if (value == std::floor(value) && std::fabs(value) < 9007199254740992.0) {
    const auto whole = std::to_chars(text, text + sizeof(text), static_cast<long long>(value));
    return std::string(text, whole.ptr);
  }
  const auto result = std::to_chars(text, text + sizeof(text), value);
  return std::string(text, result.ptr);
}

class ResultDocument {
 public:
  explicit ResultDocument(const std::string& component)
      : document_(KxCppHelperV1::HostHelper::createNew("Result")) {
    document_.addAttribute("component", component);
  }

  class Table {
   public:
    void AddRow(const std::vector<std::string>& cells) {
      KxCppHelperV1::XMLElement row = element_.addElement("Row");
      for (const std::string& cell : cells) row.addElement("Cell").addText(cell);
    }

   private:
    friend class ResultDocument;
    explicit Table(KxCppHelperV1::XMLElement element) : element_(element) {}
    KxCppHelperV1::XMLElement element_;
  };

  Table AddTable(const std::string& title, const std::vector<std::string>& columns) {
    KxCppHelperV1::XMLElement table = document_.addElement("Table");
    table.addAttribute("title", title);
    for (const std::string& column : columns) {
      table.addElement("Column").addAttribute("name", column);
    }
    return Table(table);
  }
  void AddNote(const std::string& name, const std::string& value) {
    KxCppHelperV1::XMLElement note = document_.addElement("Note");
    note.addAttribute("name", name);
    note.addAttribute("value", value);
  }
  const KxCppHelperV1::XMLDocument& Document() const { return document_; }

 private:
  KxCppHelperV1::XMLDocument document_;
};

}  // namespace VnKxExample
