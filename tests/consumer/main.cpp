// Uses each installed library once and reports whether it answered as expected.
#include <cstdio>

#include "Version.h"
#include "external/common/VnVarList.h"
#include "external/hosthelper/HostHelper.h"
#include "external/hosthelper/XMLNames.h"

int main() {
  using namespace KxCppHelperV1;
  XMLDocument doc = HostHelper::createNew("ErrorDetail");
  doc.addElement(XMLElements::Diagnostic).addAttribute(XMLAttributes::Code, std::int64_t{240043});
  VnXML_1_2::VnVarList list;
  list.AddCatVar("a", "A", 1, VnXML_1_2::IVnVariable::ML_NOMINAL, VnXML_1_2::IVnVariable::VR_INPUT);
  const bool ok =
      doc.getElement(XMLElements::Diagnostic).getAttribute(XMLAttributes::Code) == "240043" &&
      list.Size() == 1;
  std::printf("consumer: vnkxutils12r %s %s\n", VnKx_1_2::LibraryVersion(), ok ? "ok" : "FAILED");
  return ok ? 0 : 1;
}
