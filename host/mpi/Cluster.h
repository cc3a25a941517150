#pragma once

// The processes of a distributed run, over MPI: rank 0 is the coordinator. Every exchange is a
// collective that each rank waits for at most the timeout; past it the rank says which exchange
// it waited for and stops the whole run, so that a rank that hangs or dies never leaves the
// others waiting. Texts travel as bytes; the bytes each rank sends are counted.

#include <cstdint>
#include <string>
#include <vector>

namespace VnKxHost {

class Cluster {
 public:
  // Starts MPI (once per process) and joins the run.
  Cluster(int* argc, char*** argv);
  ~Cluster();
  Cluster(const Cluster&) = delete;
  Cluster& operator=(const Cluster&) = delete;

  // Whether this process was started by mpirun (or another MPI launcher).
  static bool Launched();
  // This process's rank as the launcher gave it, before MPI starts (0 when not launched).
  static int LaunchedRank();

  int Rank() const { return rank_; }
  int Size() const { return size_; }
  void SetTimeout(double seconds) { timeout_ = seconds; }

  // Every rank's text, in rank order, at rank 0 (an empty list elsewhere). `step` names the
  // exchange in a timeout's message.
  std::vector<std::string> Gather(const std::string& mine, const char* step);
  // Rank 0's texts[r] at each rank r.
  std::string Scatter(const std::vector<std::string>& texts, const char* step);
  // Rank 0's text at every rank.
  std::string Broadcast(const std::string& text, const char* step);

  // Bytes this rank has sent to others.
  std::uint64_t BytesSent() const { return sent_; }
  // Stops every rank of the run with `status`.
  [[noreturn]] void Abort(int status);

 private:
  void Wait(void* request, const char* step);

  int rank_ = 0;
  int size_ = 1;
  double timeout_ = 600;
  std::uint64_t sent_ = 0;
};

}  // namespace VnKxHost
