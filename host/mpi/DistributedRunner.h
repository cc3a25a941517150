#pragma once

// Runs a component as workers over the processes of an MPI run. Rank 0 is the coordinator:
// every rank reads its own share of each CSV file's rows (RowShare), the data model is inferred
// from the merged profiles of the shares (or read by rank 0) and sent to all; the coordinator's
// peer gives each worker its task (GetWorkerTask, GetWorkerDataModel), each rank runs the task
// in a worker peer over its share (GetWorkerIterator, else the host's cursor), and the
// coordinator's peer merges the partial results (PSMMerge) and says by its control information
// (GetPSMControlInformation) whether a follow-on round is needed. A component that gives no
// task runs on rank 0 alone, as RunComponent runs it.

#include <stdexcept>
#include <string>

#include "host/ComponentRunner.h"

namespace VnKxHost {

class Cluster;

// A failure of any rank: every rank throws it with the same text, which names the rank(s) and
// why; `status` is the command's exit status (1 a component stopped, 2 bad input).
class DistributedFailure : public std::runtime_error {
 public:
  DistributedFailure(const std::string& what, int status)
      : std::runtime_error(what), status_(status) {}
  int status() const { return status_; }

 private:
  int status_;
};

// At rank 0, the outcome of the whole run; elsewhere, stage "worker" and status 0. Throws
// DistributedFailure on every rank when one fails, std::runtime_error for setup problems of
// rank 0 that RunComponent would throw.
RunOutcome RunDistributed(const RunOptions& options, Cluster& cluster);

}  // namespace VnKxHost
