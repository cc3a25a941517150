#pragma once

// All attributes of one element read in a single pass, then looked up by name without copies.
// Answers as the element's own reads do (the first attribute of a name counts).

#include <string>
#include <string_view>
#include <vector>

#include "external/hosthelper/XMLElement.h"

namespace VnKx_1_2 {

class Attributes {
 public:
  explicit Attributes(const KxCppHelperV1::XMLElement& element)
      : element_(element), count_(element.getAttributeViews(storage_.views, kCapacity)) {}

  // The attribute's text, or null when absent.
  const std::string_view* Find(const char* name) const {
    if (count_ > kCapacity) {
      // More attributes than the views hold: ask the element.
      if (!element_.hasAttribute(name)) return nullptr;
      overflow_ = element_.getAttributeView(name);
      return &overflow_;
    }
    const std::string_view wanted(name);
    for (size_t i = 0; i < count_; ++i) {
      if (KxCppHelperV1::SameText(storage_.views[i].name, wanted)) {
        return &storage_.views[i].value;
      }
    }
    return nullptr;
  }
  // A view that Find gave (an empty one for null), rebuilt from its members. The views are
  // stored a member at a time, and a copy of a whole view straight after waits for those
  // stores; assigning this result, or appending with AppendTo, copies the members instead.
  static std::string_view Copy(const std::string_view* found) {
    return found == nullptr ? std::string_view() : std::string_view(found->data(), found->size());
  }
  // Appends Copy(found) to `list`, built in place (a pushed temporary would be copied whole).
  static void AppendTo(std::vector<std::string_view>& list, const std::string_view* found) {
    if (found == nullptr) {
      list.emplace_back();
    } else {
      list.emplace_back(found->data(), found->size());
    }
  }
  bool Has(const char* name) const { return Find(name) != nullptr; }
  // The attribute's text; empty when absent.
  std::string Text(const char* name) const {
    const std::string_view* value = Find(name);
    return value == nullptr ? std::string() : std::string(*value);
  }
  // Whether the attribute is present and equals `text`.
  bool Equals(const char* name, std::string_view text) const {
    const std::string_view* value = Find(name);
    return value != nullptr && *value == text;
  }

 private:
  static constexpr size_t kCapacity = 16;
  const KxCppHelperV1::XMLElement& element_;
  // Left uninitialised: the element writes the first count_ views.
  union Storage {
    Storage() {}
    KxCppHelperV1::XMLElement::AttributeView views[kCapacity];
  } storage_;
  size_t count_;
  mutable std::string_view overflow_;
};

}  // namespace VnKx_1_2
