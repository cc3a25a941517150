#pragma once

// Status values that every host-facing operation returns, and the message codes that the
// library stores through the error argument. The host holds the message texts.

namespace VnKx_1_2 {

enum PeerStatus : unsigned int {
  StatusOk = 0,               // success
  StatusParseFailed = 1,      // a data model could not be parsed or a field could not be built
  StatusBadArgument = 2,      // a needed handle is missing or an argument is out of range
  StatusFailed = 3,           // the operation is not offered, or a task failed
  StatusDocumentError = 5,    // a document could not be built, parsed or read
  StatusNotAvailable = 6,     // no execution requirements have been set
  StatusCancelled = 12,       // the execution was cancelled
  StatusBufferTooSmall = 13,  // the caller's text buffer is shorter than the size required
  StatusNotImplemented = 16,  // the base does not implement the operation
};

enum MessageCode : int {
  MsgNoDeclaredValues = 240004,        // a field without declared values, or an unknown weight name
  MsgFieldNotBuilt = 240006,           // a field that cannot be built or cannot be the weight
  MsgUndeclaredValues = 240016,        // texts that are not declared values
  MsgCancelled = 240043,               // the work was cancelled (with StatusCancelled)
  MsgBadDiscreteStats = 240045,        // an empty category name or an infinite category count
  MsgInfiniteContinuousStat = 240046,  // an infinite continuous statistic
};

}  // namespace VnKx_1_2
