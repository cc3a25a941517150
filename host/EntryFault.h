#pragma once

// Fault injection for one text entry of a simulated host record, and the simulator's own
// answer by the two-call text protocol.

#include <cstddef>
#include <string>

namespace VnKxHost {

struct EntryFault {
  // Answer 13 this many times before anything else, reporting `busyRequired` as the size
  // needed (the real size when 0).
  int busyTimes = 0;
  std::size_t busyRequired = 0;
  // After the busy answers: when non-zero, answer this status and store `errorCode`.
  unsigned int status = 0;
  int errorCode = 0;
};

// Answers a text request as a host does, applying `fault` first (its busy count runs down).
unsigned int AnswerTextRequest(EntryFault& fault, const std::string& text, char* buffer,
                               std::size_t size, std::size_t* required, int* error);

}  // namespace VnKxHost
