#pragma once

// What one parse of a data model keeps while it runs: the document's attribute-name keys, the
// scan of the field being built, scratch lists reused from field to field, the describing
// attributes of the field tested last, the categories read last and a base field's value index.
// The parser makes a session when a parse starts and releases it when the parse ends, so that
// nothing that views the document outlives it.

#include <cstddef>
#include <iterator>
#include <memory>
#include <string_view>
#include <vector>

#include "datamodel/detail/BaseValueIndex.h"
#include "datamodel/detail/CountLookup.h"
#include "datamodel/detail/DocumentKeys.h"
#include "datamodel/detail/FieldScan.h"
#include "external/hosthelper/XMLElement.h"

namespace VnKx_1_2 {

struct ParseSession {
  explicit ParseSession(const KxCppHelperV1::XMLElement& root) : keys(root) {}

  // The attribute names the readers ask for, looked up once in the document.
  DocumentKeys keys;
  // The subtree of the field being built, walked once for all its readers.
  FieldScan scan;
  // The subtree of another element a reader is given (a base field's), walked when first asked.
  FieldScan other;

  // The scan of `element`: the field's, or another walked now. Every reader takes what it looks
  // for from a scan, so that the elements found do not depend on which reader asks.
  const FieldScan& ScanOf(const KxCppHelperV1::XMLElement& element) {
    if (scan.Covers(element)) return scan;
    // An element inside a field that was scanned whole holds no more nested fields than the
    // field, so its scan is whole too.
    if (!other.Covers(element)) other.Scan(element);
    return other;
  }
  // The declared values of a Values element side by side (texts point into the document), so
  // that reading values allocates only for what the fields keep.
  struct DeclaredValues {
    std::vector<std::string_view> values;
    std::vector<std::string_view> labels;
    std::vector<int> partitionSlots;
  };
  DeclaredValues declaredScratch;
  // The describing attributes of the field that the parse tested last (texts point into the
  // document), so that building it does not read them again.
  struct Described {
    KxCppHelperV1::XMLElement field;
    std::string_view texts[std::size(DocumentKeys::kDescriptionNames)];
  };
  Described described;
  // The categories that GetDiscreteStat_InPF read last, in document order.
  std::vector<CountLookup::Entry> discreteInOrder;
  // The index of a base field's values element, built on first use.
  std::unique_ptr<BaseValueIndex> baseValueIndex;
};

}  // namespace VnKx_1_2
