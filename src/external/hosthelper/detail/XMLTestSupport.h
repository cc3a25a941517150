#pragma once

// What the helper library's tests share: the names an element walk meets, a nested document.

#include <string>
#include <vector>

#include "external/hosthelper/XMLDocument.h"

namespace KxCppHelperV1 {
namespace testing {

inline std::vector<std::string> Names(XMLElementIterator it, const char* attribute = "name") {
  std::vector<std::string> names;
  while (it.hasMore()) {
    const XMLElement element = it.next();
    names.push_back(element.hasAttribute(attribute) ? element.getAttribute(attribute)
                                                    : element.getName());
  }
  return names;
}

inline const char* kNested =
    "<DataModel><Fields>"
    "<Field name='a'><BaseField><Field name='b'/></BaseField></Field>"
    "<Other><Field name='c'/></Other>"
    "<Field name='d'/>"
    "</Fields></DataModel>";

}  // namespace testing
}  // namespace KxCppHelperV1
