#include "peer/VnPeer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "external/common/VnQueryCancel.h"
#include "external/hosthelper/HostHelper.h"
#include "host/SimContext.h"
#include "host/SimHost.h"
#include "tests/support/ProbePeer.h"

namespace VnKx_1_2 {
namespace {

using VnKxTest::ProbePeer;

struct Harness {
  VnKxHost::SimContext context;
  VnKxHost::SimHost host;
  ProbePeer peer{context.record(), host.record()};
};

TEST(VnPeer, NewPeerStartsEmpty) {
  Harness h;
  EXPECT_FALSE(h.peer.WasCancelled());
  EXPECT_FALSE(h.peer.GetCancelQuery()->IsCancelled());
  EXPECT_FALSE(h.peer.GetCancelQuery()->IsInterrupted());
  EXPECT_EQ(h.peer.GetDataHelper(), nullptr);
  EXPECT_EQ(h.peer.GetKxContextHandle(), h.context.record());
  EXPECT_TRUE(h.peer.parsers.empty());
  char buffer[64];
  size_t required = 0;
  int error = 0;
  ASSERT_EQ(h.peer.GetErrorDetail(buffer, sizeof(buffer), &required, &error), StatusOk);
  const KxCppHelperV1::XMLDocument detail = KxCppHelperV1::HostHelper::createFromContents(buffer);
  EXPECT_EQ(detail.getName(), "ErrorDetail");
  EXPECT_FALSE(detail.getElements("").hasMore());
}

// Each default that writes nothing: status, and error and out arguments untouched.
TEST(VnPeer, DefaultsThatWriteNothing) {
  Harness h;
  constexpr int kUntouched = -77;
  char buffer[8] = "x";
  size_t required = 99;
  void* value = &required;
  struct Case {
    const char* name;
    unsigned int status;
    unsigned int expected;
  };
  int e[6] = {kUntouched, kUntouched, kUntouched, kUntouched, kUntouched, kUntouched};
  const Case cases[] = {
      {"GetDataModel", h.peer.GetDataModel(0, buffer, 8, &required, &e[0]), StatusFailed},
      {"NextRecord", h.peer.NextRecord(&e[1]), StatusFailed},
      {"GetRecordValue", h.peer.GetRecordValue(0, &value, &required, &e[2]), StatusFailed},
      {"GetPSMControlInformation", h.peer.GetPSMControlInformation(buffer, 8, &required, &e[3]),
       StatusNotImplemented},
      {"PSMMerge", h.peer.PSMMerge(&e[4]), StatusNotImplemented},
      {"CancelExecution", h.peer.CancelExecution(&e[5]), StatusOk},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(cases[i].status, cases[i].expected);
    EXPECT_EQ(e[i], kUntouched);
  }
  EXPECT_STREQ(buffer, "x");
  EXPECT_EQ(required, 99u);
  EXPECT_EQ(value, &required);
}

TEST(VnPeer, DefaultsThatStoreTheirStatus) {
  Harness h;
  char b1[4] = "abc";
  char b2[4] = "def";
  size_t r1 = 5;
  size_t r2 = 6;
  int error = -1;
  EXPECT_EQ(h.peer.GetWorkerTask(nullptr, b1, 4, &r1, b2, 4, &r2, &error), StatusOk);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(b1[0], '\0');
  EXPECT_EQ(b2[0], '\0');
  EXPECT_EQ(r1, 0u);
  EXPECT_EQ(r2, 0u);

  std::strcpy(b1, "abc");
  r1 = 5;
  error = -1;
  EXPECT_EQ(h.peer.GetWorkerDataModel(nullptr, 0, b1, 4, &r1, &error), StatusOk);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(b1[0], '\0');
  EXPECT_EQ(r1, 0u);

  KxIterator* iterator = reinterpret_cast<KxIterator*>(&r1);
  error = -1;
  EXPECT_EQ(h.peer.GetWorkerIterator(nullptr, 0, &iterator, &error), StatusOk);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(iterator, reinterpret_cast<KxIterator*>(&r1));
  KxContainerFile* container = nullptr;
  error = -1;
  EXPECT_EQ(h.peer.ReadWorkerInputContainer(nullptr, "c", &container, &error), StatusOk);
  EXPECT_EQ(error, 0);
  error = -1;
  EXPECT_EQ(h.peer.FollowOnTaskStartExe(nullptr, &error), StatusOk);
  EXPECT_EQ(error, 0);
  error = -1;
  EXPECT_EQ(h.peer.FollowOnTaskEndExe(nullptr, &error), StatusOk);
  EXPECT_EQ(error, 0);

  error = -1;
  EXPECT_EQ(h.peer.BeginExecution({}, nullptr, &error), StatusBadArgument);
  EXPECT_EQ(error, 2);
  KxProgress progress{};
  EXPECT_EQ(h.peer.BeginExecution({}, &progress, &error), StatusNotImplemented);
  EXPECT_EQ(error, 16);

  KxCppHelperV1::DataHelper data(nullptr);
  h.peer.SetDataHelper(&data);
  EXPECT_EQ(h.peer.GetDataHelper(), &data);
  error = -1;
  EXPECT_EQ(h.peer.EndExecution(&error), StatusOk);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(h.peer.GetDataHelper(), nullptr);
}

TEST(VnPeer, ExecutionRequirementsUseTheTwoCallProtocol) {
  Harness h;
  char buffer[256];
  std::strcpy(buffer, "untouched");
  size_t required = 42;
  int error = -5;
  EXPECT_EQ(h.peer.GetExecutionRequirements(buffer, sizeof(buffer), &required, &error),
            StatusNotAvailable);
  EXPECT_EQ(required, 42u);
  EXPECT_EQ(error, -5);

  KxCppHelperV1::XMLDocument requirements =
      KxCppHelperV1::HostHelper::createNew("ExecutionRequirements");
  requirements.addElement("Input").addAttribute("count", std::int64_t{2});
  h.peer.SetExeRequirements(requirements);
  const std::string text = requirements.doc2string();
  const size_t n = text.size();
  EXPECT_EQ(h.peer.GetExecutionRequirements(buffer, n, &required, &error), StatusBufferTooSmall);
  EXPECT_EQ(required, n + 1);
  EXPECT_STREQ(buffer, "untouched");
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(h.peer.GetExecutionRequirements(buffer, n + 1, &required, &error), StatusOk);
    EXPECT_EQ(std::string(buffer), text);
  }
  EXPECT_EQ(error, -5);
  EXPECT_EQ(h.peer.GetExeRequirements().doc2string(), text);
}

TEST(VnPeer, InputIteratorsComeFromTheContext) {
  VnKxHost::Table table;
  table.AddColumn("x", VnKxHost::ColumnType::kReal);
  Harness h;
  h.context.AddInput("<DataModel/>", &table);
  KxIterator* iterator = nullptr;
  int error = -3;
  EXPECT_EQ(h.peer.GetInputIterator(-1, &iterator, &error), StatusBadArgument);
  EXPECT_EQ(error, -3);
  EXPECT_EQ(h.context.CallCount(VnKxHost::SimContext::kInputIterator), 0u);
  EXPECT_EQ(h.peer.GetInputIterator(0, &iterator, &error), StatusOk);
  EXPECT_EQ(iterator, h.context.Iterator(0).record());
  h.context.Fault(VnKxHost::SimContext::kInputIterator).status = 7;
  h.context.Fault(VnKxHost::SimContext::kInputIterator).errorCode = 4242;
  EXPECT_EQ(h.peer.GetInputIterator(0, &iterator, &error), 7u);
  EXPECT_EQ(error, 4242);

  ProbePeer orphan(nullptr, nullptr);
  error = -3;
  EXPECT_EQ(orphan.GetInputIterator(0, &iterator, &error), StatusBadArgument);
  EXPECT_EQ(error, -3);
}

TEST(VnPeer, CancellationIsPermanentAndVisibleThroughTheQuery) {
  Harness h;
  int error = 11;
  EXPECT_EQ(h.peer.CancelExecution(&error), StatusOk);
  EXPECT_EQ(error, 11);
  EXPECT_TRUE(h.peer.WasCancelled());
  EXPECT_TRUE(h.peer.GetCancelQuery()->IsCancelled());
  EXPECT_EQ(h.peer.CancelExecution(&error), StatusOk);
  EXPECT_TRUE(h.peer.WasCancelled());

  Harness other;
  other.peer.Cancel();
  EXPECT_TRUE(other.peer.GetCancelQuery()->IsCancelled());
}

TEST(VnPeer, CancelFromAnotherThreadReachesAWorkingPeer) {
  Harness h;
  std::atomic<bool> started{false};
  std::thread host([&] {
    while (!started.load()) std::this_thread::yield();
    int error = 0;
    h.peer.CancelExecution(&error);
  });
  int collected = 0;
  int error = 0;
  while (!h.peer.GetCancelQuery()->IsCancelled()) {
    h.peer.CollectMsgs(VnPeer::Information, collected++, &error);
    started.store(true);
  }
  host.join();
  EXPECT_TRUE(h.peer.WasCancelled());
  EXPECT_GT(collected, 0);
}

}  // namespace
}  // namespace VnKx_1_2
