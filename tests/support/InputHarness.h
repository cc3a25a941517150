#pragma once

// One input as a component sees it: the host simulator serves a data model and a table, a probe
// peer parses the model and fetches the input's cursor, and adapters are built over both.

#include <memory>
#include <string>

#include "datamodel/DataModelParser.h"
#include "external/hosthelper/DataHelper.h"
#include "host/SimContext.h"
#include "host/SimHost.h"
#include "host/Table.h"
#include "input/InputAdapter.h"
#include "tests/support/ProbePeer.h"

namespace VnKxTest {

struct AdapterFlags {
  bool modelRolesOnly = false;
  bool targetAsInput = false;
  bool openCategories = false;
  bool allowDateTime = false;
  bool declaredValuesOnly = false;
};

class InputHarness {
 public:
  InputHarness(const std::string& dataModel, VnKxHost::Table table, bool defaultRange = false)
      : table_(std::move(table)) {
    context.AddInput(dataModel, &table_);
    parseStatus = peer.ParseDataModel(&parseError, defaultRange, 1);
    KxIterator* iterator = nullptr;
    int error = 0;
    peer.GetInputIterator(0, &iterator, &error);
    data = std::make_unique<KxCppHelperV1::DataHelper>(iterator);
  }

  VnKx_1_2::DataModelParser& Parser() { return *peer.parsers.at(0); }
  VnKxHost::SimIterator& Cursor() { return context.Iterator(0); }
  std::unique_ptr<VnKx_1_2::InputAdapter> Adapter(const AdapterFlags& f = {}) {
    return std::make_unique<VnKx_1_2::InputAdapter>(data.get(), Parser(), f.modelRolesOnly,
                                                    f.targetAsInput, f.openCategories,
                                                    f.allowDateTime, f.declaredValuesOnly);
  }

  VnKxHost::SimContext context;
  VnKxHost::SimHost host;
  ProbePeer peer{context.record(), host.record()};
  std::unique_ptr<KxCppHelperV1::DataHelper> data;
  unsigned int parseStatus = 0;
  int parseError = 0;

 private:
  VnKxHost::Table table_;
};

// A field element with the four required attributes and an optional body.
inline std::string FieldXml(const std::string& name, const std::string& storage,
                            const std::string& measure, const std::string& role = "input",
                            const std::string& body = "") {
  return "<Field name='" + name + "' storage='" + storage + "' measure='" + measure + "' role='" +
         role + "'>" + body + "</Field>";
}

}  // namespace VnKxTest
