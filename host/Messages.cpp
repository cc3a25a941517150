#include "host/Messages.h"

#include <map>
#include <stdexcept>

#include "external/hosthelper/HostHelper.h"
#include "external/hosthelper/XMLException.h"
#include "external/hosthelper/XMLNames.h"

namespace VnKxHost {
namespace {

const std::map<long long, const char*>& Texts() {
  static const std::map<long long, const char*> texts = {
      {240004, "a field has no declared values, or no field has the frequency-weight name {0}"},
      {240006,
       "a field cannot be built (its storage is not known) or cannot be the frequency "
       "weight (it must be a numeric continuous field) {0}"},
      {240016, "some texts are not declared values of the field {0}"},
      {240043, "the execution was cancelled"},
      {240045,
       "discrete statistics were left out: a category has an empty name or an infinite "
       "count"},
      {240046, "continuous statistics were left out: one of them is infinite"},
      {250001, "the parameter '{0}' is required"},
      {250002, "there is no field named '{0}' among the fields the component reads ({1})"},
      {250003, "the target '{0}' is not a continuous field"},
      {250004,
       "no record is usable (every record is missing a value or lies outside the "
       "chosen partition)"},
      {250005, "the design is singular: '{0}' is a linear combination of the terms before it"},
      {250006, "the host failed to deliver a value ({0}, status {1}, host code {2})"},
      {250007, "the component needs an input, and none was given"},
      {250008, "the parameter '{0}' has a value it cannot use: '{1}'"},
      {250009, "the component takes no parameter '{0}'; it takes {1}"},
      {250010, "'{0}' is not one of the inputs ({1}), so it cannot be made categorical"},
      {250011, "the reference names '{0}', which is no categorical input ({1})"},
      {250012, "'{0}' has no level '{1}' to be its reference (its levels: {2})"},
  };
  return texts;
}

std::string Fill(std::string text, const std::vector<std::string>& parameters) {
  for (std::size_t i = 0; i < 10; ++i) {
    const std::string slot = "{" + std::to_string(i) + "}";
    const std::size_t at = text.find(slot);
    if (at == std::string::npos) continue;
    text.replace(at, slot.size(), i < parameters.size() ? parameters[i] : "");
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

std::string Describe(const Diagnostic& diagnostic) {
  const auto found = Texts().find(diagnostic.code);
  std::string words;
  if (found != Texts().end()) {
    words = Fill(found->second, diagnostic.parameters);
  } else {
    words = "(no text for this code)";
    for (std::size_t i = 0; i < diagnostic.parameters.size(); ++i) {
      words += (i == 0 ? " " : ", ") + diagnostic.parameters[i];
    }
  }
  return diagnostic.severity + " " + std::to_string(diagnostic.code) + ": " + words;
}

std::vector<Diagnostic> ParseErrorDetail(const std::string& text) {
  using namespace KxCppHelperV1;
  XMLDocument doc;
  try {
    doc = HostHelper::createFromContents(text);
  } catch (const XMLException& e) {
    throw std::runtime_error(std::string("the error detail is not XML: ") + e.what());
  }
  std::vector<Diagnostic> diagnostics;
  for (auto it = doc.getElementsDirect(XMLElements::Diagnostic); it.hasMore();) {
    const XMLElement element = it.next();
    Diagnostic d;
    d.severity = element.getAttribute(XMLAttributes::Severity);
    std::int64_t code = 0;
    element.getAttribute(XMLAttributes::Code, code);
    d.code = code;
    for (auto p = element.getElementsDirect(XMLElements::Parameter); p.hasMore();) {
      d.parameters.push_back(p.next().getText());
    }
    diagnostics.push_back(std::move(d));
  }
  return diagnostics;
}

}  // namespace VnKxHost
