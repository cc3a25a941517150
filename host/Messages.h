#pragma once

// The host's message texts: what a diagnostic's code means, with its parameters filled in.

#include <string>
#include <vector>

namespace VnKxHost {

struct Diagnostic {
  std::string severity;  // "information", "warning", "error", "fatal", "unknown"
  long long code = 0;
  std::vector<std::string> parameters;
};

// Codes of the sample components (the library's own are 2400xx).
enum SampleCode : int {
  MsgParameterMissing = 250001,     // {0}: parameter name
  MsgNoSuchField = 250002,          // {0}: field name
  MsgTargetNotContinuous = 250003,  // {0}: field name
  MsgNoUsableRecords = 250004,
  MsgSingularDesign = 250005,  // {0}: the term that is a combination of the others
  MsgHostFailure = 250006,     // {0}: what failed, {1}: status, {2}: host code
  MsgNoInput = 250007,
  MsgBadParameter = 250008,  // {0}: name, {1}: value
};

// The diagnostic in words, e.g. "error 240043: the execution was cancelled".
std::string Describe(const Diagnostic& diagnostic);
// Parses an error-detail document; throws std::runtime_error when it is not one.
std::vector<Diagnostic> ParseErrorDetail(const std::string& text);

}  // namespace VnKxHost
