#include "host/mpi/Cluster.h"

#include <mpi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace VnKxHost {
namespace {

constexpr int kTimedOut = 3;

std::vector<int> Displacements(const std::vector<int>& counts, std::uint64_t& total) {
  std::vector<int> at(counts.size(), 0);
  total = 0;
  for (std::size_t r = 0; r < counts.size(); ++r) {
    at[r] = static_cast<int>(total);
    total += static_cast<std::uint64_t>(counts[r]);
  }
  return at;
}

int Count(std::size_t size) {
  if (size > static_cast<std::size_t>(INT32_MAX)) {
    throw std::runtime_error("a message between processes is over 2 GiB");
  }
  return static_cast<int>(size);
}

}  // namespace

Cluster::Cluster(int* argc, char*** argv) {
  int started = 0;
  MPI_Initialized(&started);
  if (!started) MPI_Init(argc, argv);
  MPI_Comm_rank(MPI_COMM_WORLD, &rank_);
  MPI_Comm_size(MPI_COMM_WORLD, &size_);
}

Cluster::~Cluster() {
  int finished = 0;
  MPI_Finalized(&finished);
  if (!finished) MPI_Finalize();
}

bool Cluster::Launched() {
  // Open MPI's launcher sets the first, PMIx-based ones the second, MPICH's Hydra the third.
  return std::getenv("OMPI_COMM_WORLD_SIZE") != nullptr || std::getenv("PMIX_RANK") != nullptr ||
         std::getenv("PMI_RANK") != nullptr;
}

int Cluster::LaunchedRank() {
  for (const char* name : {"OMPI_COMM_WORLD_RANK", "PMIX_RANK", "PMI_RANK"}) {
    if (const char* rank = std::getenv(name)) return std::atoi(rank);
  }
  return 0;
}

void Cluster::Abort(int status) {
  std::fflush(stdout);
  std::fflush(stderr);
  MPI_Abort(MPI_COMM_WORLD, status);
  std::_Exit(status);
}

void Cluster::Wait(void* request, const char* step) {
  auto* pending = static_cast<MPI_Request*>(request);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout_);
  auto pause = std::chrono::microseconds(20);
  for (;;) {
    int done = 0;
    MPI_Test(pending, &done, MPI_STATUS_IGNORE);
    if (done) return;
    if (std::chrono::steady_clock::now() > deadline) {
      std::fprintf(stderr,
                   "vnkx-host: rank %d: no answer from the other ranks within %g s while %s; "
                   "stopping the run\n",
                   rank_, timeout_, step);
      Abort(kTimedOut);
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::microseconds(1000));
  }
}

std::vector<std::string> Cluster::Gather(const std::string& mine, const char* step) {
  int size = Count(mine.size());
  std::vector<int> sizes(rank_ == 0 ? static_cast<std::size_t>(size_) : 0);
  MPI_Request request;
  MPI_Igather(&size, 1, MPI_INT, sizes.data(), 1, MPI_INT, 0, MPI_COMM_WORLD, &request);
  Wait(&request, step);
  std::uint64_t total = 0;
  const std::vector<int> at = Displacements(sizes, total);
  std::string all(total, '\0');
  MPI_Igatherv(mine.data(), size, MPI_CHAR, all.data(), sizes.data(), at.data(), MPI_CHAR, 0,
               MPI_COMM_WORLD, &request);
  Wait(&request, step);
  if (rank_ != 0) sent_ += sizeof(int) + mine.size();
  std::vector<std::string> texts;
  for (std::size_t r = 0; r < sizes.size(); ++r) {
    texts.push_back(
        all.substr(static_cast<std::size_t>(at[r]), static_cast<std::size_t>(sizes[r])));
  }
  return texts;
}

std::string Cluster::Scatter(const std::vector<std::string>& texts, const char* step) {
  std::vector<int> sizes;
  std::string all;
  if (rank_ == 0) {
    for (const std::string& text : texts) {
      sizes.push_back(Count(text.size()));
      all += text;
    }
    sizes.resize(static_cast<std::size_t>(size_), 0);
    sent_ += (sizes.size() - 1) * sizeof(int) + all.size() - (texts.empty() ? 0 : texts[0].size());
  }
  int size = 0;
  MPI_Request request;
  MPI_Iscatter(sizes.data(), 1, MPI_INT, &size, 1, MPI_INT, 0, MPI_COMM_WORLD, &request);
  Wait(&request, step);
  std::uint64_t total = 0;
  const std::vector<int> at = Displacements(sizes, total);
  std::string mine(static_cast<std::size_t>(size), '\0');
  MPI_Iscatterv(all.data(), sizes.data(), at.data(), MPI_CHAR, mine.data(), size, MPI_CHAR, 0,
                MPI_COMM_WORLD, &request);
  Wait(&request, step);
  return mine;
}

std::string Cluster::Broadcast(const std::string& text, const char* step) {
  std::uint64_t size = rank_ == 0 ? text.size() : 0;
  MPI_Request request;
  MPI_Ibcast(&size, 1, MPI_UINT64_T, 0, MPI_COMM_WORLD, &request);
  Wait(&request, step);
  std::string copy = rank_ == 0 ? text : std::string(size, '\0');
  MPI_Ibcast(copy.data(), Count(copy.size()), MPI_CHAR, 0, MPI_COMM_WORLD, &request);
  Wait(&request, step);
  if (rank_ == 0) sent_ += static_cast<std::uint64_t>(size_ - 1) * (sizeof(size) + text.size());
  return copy;
}

}  // namespace VnKxHost
