// The parser's readers of record counts, statistics and ranges.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string_view>
#include <vector>

#include "base/Status.h"
#include "datamodel/DataModelParser.h"
#include "datamodel/detail/ParseSession.h"
#include "external/hosthelper/XMLNames.h"

namespace VnKx_1_2 {

using KxCppHelperV1::XMLAttributes;
using KxCppHelperV1::XMLElementIterator;
using KxCppHelperV1::XMLElements;

namespace {

// Statistics accept every number but the infinite ones (NaN passes).
bool Acceptable(double value) {
  return !std::isinf(value);
}

// A text's first eight bytes as a big-endian number (zero-padded): numbers of two texts order
// as the texts do where they differ, so that most comparisons of a sort are one instruction.
std::uint64_t OrderHead(std::string_view text) {
  std::uint64_t head = 0;
  const std::size_t n = std::min<std::size_t>(text.size(), 8);
  for (std::size_t i = 0; i < n; ++i) head = head << 8 | static_cast<unsigned char>(text[i]);
  return n == 0 ? 0 : head << (8 * (8 - n));
}

// A category's place in key order: its key's OrderHead and its position in document order.
struct Ordered {
  std::uint64_t head;
  std::size_t at;
};

// Sorts by head, stably: least significant byte first, skipping the bytes that all heads share
// (at most eight passes, each linear, where a comparison sort would take n log n).
void SortByHead(std::vector<Ordered>& items) {
  std::vector<Ordered> buffer(items.size());
  for (int shift = 0; shift < 64; shift += 8) {
    std::size_t starts[256] = {};
    for (const Ordered& item : items) ++starts[(item.head >> shift) & 0xFF];
    if (starts[(items.front().head >> shift) & 0xFF] == items.size()) continue;
    std::size_t position = 0;
    for (std::size_t& start : starts) {
      const std::size_t count = start;
      start = position;
      position += count;
    }
    for (const Ordered& item : items) buffer[starts[(item.head >> shift) & 0xFF]++] = item;
    items.swap(buffer);
  }
}

// The categories in key order, equal keys in document order.
std::vector<Ordered> KeyOrder(const std::vector<CountLookup::Entry>& categories) {
  std::vector<Ordered> order(categories.size());
  for (std::size_t i = 0; i < categories.size(); ++i) order[i] = {OrderHead(categories[i].key), i};
  const auto byHead = [](const Ordered& a, const Ordered& b) { return a.head < b.head; };
  if (!std::is_sorted(order.begin(), order.end(), byHead)) {
    if (order.size() < 64) {
      std::stable_sort(order.begin(), order.end(), byHead);
    } else {
      SortByHead(order);
    }
  }
  // Keys that share their first eight bytes are ordered by the rest.
  const auto byKey = [&](const Ordered& a, const Ordered& b) {
    return categories[a.at].key < categories[b.at].key;
  };
  for (std::size_t first = 0; first < order.size();) {
    std::size_t end = first + 1;
    while (end < order.size() && order[end].head == order[first].head) ++end;
    if (end - first > 1) std::stable_sort(order.begin() + first, order.begin() + end, byKey);
    first = end;
  }
  return order;
}

// Reads an attribute into `target` when present, starting from 0.
void ReadCount(const KxCppHelperV1::XMLElement& element, const char* attribute, double& target) {
  if (!element.hasAttribute(attribute)) return;
  target = 0;
  element.getAttribute(attribute, target);
}

}  // namespace

bool DataModelParser::GetRecordsCount_InDM(XMLElement root, double& unweighted, double& weighted,
                                           double& dropped) const {
  if (!root.isValid()) return false;
  const XMLElement counts = root.getElement(XMLElements::RecordCounts);
  if (!counts.isValid()) return false;
  ReadCount(counts, XMLAttributes::UnweightedCount, unweighted);
  ReadCount(counts, XMLAttributes::WeightedCount, weighted);
  ReadCount(counts, XMLAttributes::DroppedCount, dropped);
  return unweighted >= 0 && weighted >= 0 && dropped >= 0;
}

bool DataModelParser::GetRecordsCount(double& unweighted, double& weighted, double& dropped) const {
  if (!(unweightedCount >= 0) || !(weightedCount >= 0) || !(droppedCount >= 0)) return false;
  unweighted = unweightedCount;
  weighted = weightedCount;
  dropped = droppedCount;
  return true;
}

bool DataModelParser::GetContinuousStat_InPF(XMLElement field, FieldInfo::ST_CTUSDATA& stat,
                                             bool& found, int* error) {
  if (!field.isValid()) return false;
  const XMLElement statistics = session->ScanOf(field).continuousStatistics;
  if (!statistics.isValid()) return true;
  found = true;
  std::string_view texts[std::size(DocumentKeys::kStatisticsNames)];
  const std::uint32_t present = DocumentKeys::Read(statistics, session->keys.statistics, texts);
  double* const reals[] = {&stat.sumCompWts, &stat.sumFreqWts, &stat.minimum,
                           &stat.maximum,    &stat.mean,       &stat.variance};
  for (int i = DocumentKeys::kSumCompWts; i <= DocumentKeys::kVariance; ++i) {
    if (!DocumentKeys::Has(present, i)) continue;
    double value = 0;
    XMLElement::parseDouble(texts[i], value);
    if (!Acceptable(value)) {
      *error = MsgInfiniteContinuousStat;
      return false;
    }
    *reals[i - DocumentKeys::kSumCompWts] = value;
  }
  std::int64_t* const integers[] = {&stat.exactMinimum, &stat.exactMaximum};
  for (int i = DocumentKeys::kExactMinimum; i <= DocumentKeys::kExactMaximum; ++i) {
    if (!DocumentKeys::Has(present, i)) continue;
    std::int64_t value = 0;
    XMLElement::parseInt64(texts[i], value);
    *integers[i - DocumentKeys::kExactMinimum] = value;  // a 64-bit integer is always finite
  }
  return true;
}

bool DataModelParser::GetDiscreteStat_InPF(XMLElement field, std::map<std::string, double>& counts,
                                           bool& found, int* error) {
  if (!field.isValid()) return false;
  const XMLElement statistics = session->ScanOf(field).discreteStatistics;
  if (!statistics.isValid()) return true;
  found = true;
  // The categories are read first and go into the map in key order, each at its end: a linear
  // build instead of a tree search per category. Equal keys keep the first count, as
  // one insertion each in document order would.
  session->discreteInOrder.clear();
  bool ok = true;
  for (XMLElementIterator it = statistics.getElements(XMLElements::Category); it.hasMore();) {
    std::string_view texts[std::size(DocumentKeys::kCategoryNames)];
    const std::uint32_t present = DocumentKeys::Read(it.next(), session->keys.category, texts);
    const std::string_view key = texts[DocumentKeys::kCategory];
    double count = 0;
    if (DocumentKeys::Has(present, DocumentKeys::kCategory)) ok = !key.empty();
    if (ok && DocumentKeys::Has(present, DocumentKeys::kCount)) {
      double value = 0;
      XMLElement::parseDouble(texts[DocumentKeys::kCount], value);
      ok = Acceptable(value);
      if (ok) count = value;
    }
    if (!ok) break;
    session->discreteInOrder.push_back({key, count, false});
  }
  const std::vector<Ordered> order = KeyOrder(session->discreteInOrder);
  for (std::size_t i = 0; i < order.size(); ++i) {
    CountLookup::Entry& entry = session->discreteInOrder[order[i].at];
    // The first of equal keys (in document order) is the one the map keeps.
    if (i != 0 && order[i - 1].head == order[i].head &&
        session->discreteInOrder[order[i - 1].at].key == entry.key) {
      continue;
    }
    entry.first = true;
    counts.emplace_hint(counts.end(), std::string(entry.key), entry.count);
  }
  if (!ok) *error = MsgBadDiscreteStats;
  return ok;
}

void DataModelParser::DealWithRangeVar(XMLElement& range, FieldInfo* info, bool isMissing) {
  std::string_view texts[std::size(DocumentKeys::kRangeNames)];
  const std::uint32_t present = DocumentKeys::Read(range, session->keys.range, texts);
  if (!DocumentKeys::Has(present, DocumentKeys::kMinValue) ||
      !DocumentKeys::Has(present, DocumentKeys::kMaxValue)) {
    return;
  }
  double low = 0;
  double high = 0;
  if (!XMLElement::parseDouble(texts[DocumentKeys::kMinValue], low)) return;
  if (!XMLElement::parseDouble(texts[DocumentKeys::kMaxValue], high)) return;
  info->AddRange(low, high, isMissing);
}

}  // namespace VnKx_1_2
