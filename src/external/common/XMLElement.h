#pragma once

// The common library's own small XML tree, used for display formats that travel with a
// variable list. An element owns its children. Elements are made with Create and owned by the
// caller until adopted by a parent or handed to a list or variable that takes them.

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "external/common/VnExport.h"

namespace VnXML_1_2 {

class VNCOMMON_API XMLElement {
 public:
  // A new element named `name`, owned by the caller; null for an empty name.
  static XMLElement* Create(const std::string& name);
  virtual ~XMLElement();
  XMLElement(const XMLElement&) = delete;
  XMLElement& operator=(const XMLElement&) = delete;

  // Adds an attribute, or replaces the text of one of the same name.
  void AddAttribute(const std::string& name, const std::string& value);
  // Takes `child` over as the last child; a null child is ignored.
  virtual void AdoptChild(XMLElement* child);
  // A separate deep copy, owned by the caller.
  virtual XMLElement* Duplicate() const;

  const std::string& GetName() const { return name_; }
  std::size_t GetAttributeCount() const { return attributes_.size(); }
  const std::string& GetAttributeName(std::size_t index) const { return attributes_[index].first; }
  const std::string& GetAttributeValue(std::size_t index) const {
    return attributes_[index].second;
  }
  bool HasAttribute(const std::string& name) const;
  // The attribute's text; empty when absent.
  std::string GetAttribute(const std::string& name) const;
  std::size_t GetChildCount() const { return children_.size(); }
  const XMLElement* GetChild(std::size_t index) const { return children_[index].get(); }
  // The first child named `name`, or null.
  const XMLElement* FindChild(const std::string& name) const;

  // The tree as XML text (attributes and children in order).
  std::string ToString() const;

 private:
  explicit XMLElement(std::string name) : name_(std::move(name)) {}
  void Write(std::string& out) const;

  std::string name_;
  std::vector<std::pair<std::string, std::string>> attributes_;
  std::vector<std::unique_ptr<XMLElement>> children_;
};

}  // namespace VnXML_1_2
