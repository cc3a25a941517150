#pragma once

// The attribute names that the parser reads on every field and every declared value, looked up
// once per document and read in groups, one pass over an element's attributes per group (see
// XMLElement::AttributeKey). Default keys belong to no document and match by text.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "external/hosthelper/XMLElement.h"
#include "external/hosthelper/XMLNames.h"

namespace VnKx_1_2 {

struct DocumentKeys {
  using Key = KxCppHelperV1::XMLElement::AttributeKey;
  using XMLAttributes = KxCppHelperV1::XMLAttributes;

  // A field's description.
  enum { kName, kStorage, kMeasure, kRole, kDisplayLabel };
  static constexpr const char* kDescriptionNames[] = {XMLAttributes::Name, XMLAttributes::Storage,
                                                      XMLAttributes::Measure, XMLAttributes::Role,
                                                      XMLAttributes::DisplayLabel};
  // A declared value.
  enum { kValue, kValueLabel, kPartition, kFlag };
  static constexpr const char* kValueNames[] = {XMLAttributes::Value, XMLAttributes::DisplayLabel,
                                                XMLAttributes::DefinePartition,
                                                XMLAttributes::FlagValue};
  // A range.
  enum { kMinValue, kMaxValue };
  static constexpr const char* kRangeNames[] = {XMLAttributes::MinValue, XMLAttributes::MaxValue};

  // Continuous statistics: the reals, then the integers.
  enum {
    kSumCompWts,
    kSumFreqWts,
    kMinimum,
    kMaximum,
    kMean,
    kVariance,
    kExactMinimum,
    kExactMaximum
  };
  static constexpr const char* kStatisticsNames[] = {
      XMLAttributes::SumCompWts,   XMLAttributes::SumFreqWts,  XMLAttributes::Minimum,
      XMLAttributes::Maximum,      XMLAttributes::Mean,        XMLAttributes::Variance,
      XMLAttributes::ExactMinimum, XMLAttributes::ExactMaximum};
  // A category's count.
  enum { kCategory, kCount };
  static constexpr const char* kCategoryNames[] = {XMLAttributes::Category,
                                                   XMLAttributes::SumFreqWts};

  DocumentKeys() : DocumentKeys(KxCppHelperV1::XMLElement()) {}
  // The keys of the document that holds `element`.
  explicit DocumentKeys(const KxCppHelperV1::XMLElement& element) {
    Resolve(element, kDescriptionNames, description);
    Resolve(element, kValueNames, value);
    Resolve(element, kRangeNames, range);
    Resolve(element, kStatisticsNames, statistics);
    Resolve(element, kCategoryNames, category);
  }

  // Reads `keys`' attributes of `element` into `texts`; the mask of those present.
  template <std::size_t N>
  static std::uint32_t Read(const KxCppHelperV1::XMLElement& element, const Key (&keys)[N],
                            std::string_view (&texts)[N]) {
    return element.getAttributes(keys, texts, N);
  }
  // Whether a Read mask holds the attribute at `index` of its group.
  static bool Has(std::uint32_t present, int index) { return (present >> index & 1u) != 0; }

  Key description[std::size(kDescriptionNames)];
  Key value[std::size(kValueNames)];
  Key range[std::size(kRangeNames)];
  Key statistics[std::size(kStatisticsNames)];
  Key category[std::size(kCategoryNames)];

 private:
  template <std::size_t N>
  static void Resolve(const KxCppHelperV1::XMLElement& element, const char* const (&names)[N],
                      Key (&keys)[N]) {
    for (std::size_t i = 0; i < N; ++i) keys[i] = element.attributeKey(names[i]);
  }
};

}  // namespace VnKx_1_2
