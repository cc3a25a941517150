#include "external/common/XMLElement.h"

#include <new>

namespace VnXML_1_2 {
namespace {

void AppendEscaped(std::string& out, const std::string& text) {
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
}

}  // namespace

XMLElement* XMLElement::Create(const std::string& name) {
  return name.empty() ? nullptr : new XMLElement(name);
}

// Children are released through an explicit work list so that a deep tree cannot exhaust the
// stack. When the list cannot grow (no memory), that subtree is released directly instead.
XMLElement::~XMLElement() {
  std::vector<std::unique_ptr<XMLElement>> pending = std::move(children_);
  while (!pending.empty()) {
    std::unique_ptr<XMLElement> element = std::move(pending.back());
    pending.pop_back();
    for (auto& child : element->children_) {
      try {
        pending.push_back(std::move(child));
      } catch (const std::bad_alloc&) {
        child.reset();
      }
    }
    element->children_.clear();
  }
}

void XMLElement::AddAttribute(const std::string& name, const std::string& value) {
  for (auto& attribute : attributes_) {
    if (attribute.first == name) {
      attribute.second = value;
      return;
    }
  }
  attributes_.emplace_back(name, value);
}

void XMLElement::AdoptChild(XMLElement* child) {
  std::unique_ptr<XMLElement> owned(child);
  if (owned) children_.push_back(std::move(owned));
}

XMLElement* XMLElement::Duplicate() const {
  auto copy = std::unique_ptr<XMLElement>(new XMLElement(name_));
  copy->attributes_ = attributes_;
  for (const auto& child : children_) {
    std::unique_ptr<XMLElement> duplicate(child->Duplicate());
    copy->children_.push_back(std::move(duplicate));
  }
  return copy.release();
}

bool XMLElement::HasAttribute(const std::string& name) const {
  for (const auto& attribute : attributes_) {
    if (attribute.first == name) return true;
  }
  return false;
}

std::string XMLElement::GetAttribute(const std::string& name) const {
  for (const auto& attribute : attributes_) {
    if (attribute.first == name) return attribute.second;
  }
  return std::string();
}

const XMLElement* XMLElement::FindChild(const std::string& name) const {
  for (const auto& child : children_) {
    if (child->name_ == name) return child.get();
  }
  return nullptr;
}

std::string XMLElement::ToString() const {
  std::string out;
  Write(out);
  return out;
}

void XMLElement::Write(std::string& out) const {
  out += '<';
  out += name_;
  for (const auto& attribute : attributes_) {
    out += ' ';
    out += attribute.first;
    out += "=\"";
    AppendEscaped(out, attribute.second);
    out += '"';
  }
  if (children_.empty()) {
    out += "/>";
    return;
  }
  out += '>';
  for (const auto& child : children_) child->Write(out);
  out += "</";
  out += name_;
  out += '>';
}

}  // namespace VnXML_1_2
