#pragma once

// Prints a component's result document (tables and notes, as the sample components give them)
// as aligned text; any other document is printed as indented XML.

#include <string>

namespace VnKxHost {

std::string FormatResult(const std::string& resultXml);

}  // namespace VnKxHost
