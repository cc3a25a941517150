#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "datamodel/DataModelParser.h"
#include "peer/VnPeer.h"
#include "tests/support/ParseHarness.h"

namespace VnKx_1_2 {
namespace {

using VnKxHost::SimContext;
using VnKxTest::DataModel;
using VnKxTest::ParseHarness;

const std::string kOneField =
    DataModel("<Field name='a' storage='string' measure='nominal' role='input'/>");

TEST(VnPeerDataModel, OneParserPerInputWithTheFirstCurrent) {
  ParseHarness h({kOneField, DataModel("")});
  EXPECT_EQ(h.Parse(), StatusOk);
  ASSERT_EQ(h.peer.parsers.size(), 2u);
  EXPECT_EQ(h.peer.currentParser.load(), h.peer.parsers[0]);
  EXPECT_EQ(h.Fields(0).size(), 1u);
  EXPECT_TRUE(h.Fields(1).empty());
  EXPECT_EQ(h.context.CallCount(SimContext::kDataModelDocument), 2u);
  EXPECT_EQ(h.context.Calls()[1].input, 1);
}

TEST(VnPeerDataModel, NothingToDoForNoInputs) {
  ParseHarness h(kOneField);
  EXPECT_EQ(h.Parse(false, 0), StatusOk);
  EXPECT_EQ(h.peer.ParseDataModel(&h.error, false, -3), StatusOk);
  EXPECT_TRUE(h.peer.parsers.empty());
  EXPECT_TRUE(h.context.Calls().empty());
}

TEST(VnPeerDataModel, DocumentsArriveByTheTwoCallProtocol) {
  ParseHarness h(kOneField);
  h.context.Fault(SimContext::kDataModelDocument).busyTimes = 1;
  h.context.Fault(SimContext::kDataModelDocument).busyRequired = 20000;
  EXPECT_EQ(h.Parse(), StatusOk);
  ASSERT_EQ(h.context.Calls().size(), 2u);
  EXPECT_EQ(h.context.Calls()[1].size, 20000u);

  ParseHarness twice(kOneField);
  twice.context.Fault(SimContext::kDataModelDocument).busyTimes = 2;
  EXPECT_EQ(twice.Parse(), StatusBufferTooSmall);
  EXPECT_TRUE(twice.peer.parsers.empty());

  ParseHarness failing(kOneField);
  failing.context.Fault(SimContext::kDataModelDocument).status = 9;
  failing.context.Fault(SimContext::kDataModelDocument).errorCode = 99;
  EXPECT_EQ(failing.Parse(), 9u);
  EXPECT_EQ(failing.error, 99);
}

TEST(VnPeerDataModel, MalformedSecondInputKeepsTheFirstParser) {
  ParseHarness h({kOneField, "<DataModel><Fields>", kOneField});
  h.error = -1;
  EXPECT_EQ(h.Parse(), StatusParseFailed);
  EXPECT_EQ(h.error, -1);
  EXPECT_EQ(h.peer.parsers.size(), 1u);
  EXPECT_EQ(h.context.CallCount(SimContext::kDataModelDocument), 2u);
}

TEST(VnPeerDataModel, AFailingParseReturnsItsStatusAndKeepsItsParser) {
  ParseHarness h(
      {DataModel("<Field name='a' storage='blob' measure='nominal' role='input'/>"), kOneField});
  EXPECT_EQ(h.Parse(), StatusParseFailed);
  EXPECT_EQ(h.error, MsgFieldNotBuilt);
  EXPECT_EQ(h.peer.parsers.size(), 1u);
}

TEST(VnPeerDataModel, ASecondCallReplacesTheParsers) {
  ParseHarness h({kOneField, kOneField});
  ASSERT_EQ(h.Parse(), StatusOk);
  const DataModelParser* first = h.peer.parsers[0];
  h.context.SetDataModel(0, DataModel(""));
  ASSERT_EQ(h.Parse(), StatusOk);
  ASSERT_EQ(h.peer.parsers.size(), 2u);
  EXPECT_TRUE(h.Fields(0).empty());
  EXPECT_EQ(h.peer.currentParser.load(), h.peer.parsers[0]);
  (void)first;  // destroyed: AddressSanitizer would report any use
}

TEST(VnPeerDataModel, CancelBeforeTheCallStopsAfterTheFirstFetch) {
  ParseHarness h({kOneField, kOneField});
  h.peer.Cancel();
  EXPECT_EQ(h.Parse(), StatusCancelled);
  EXPECT_EQ(h.error, MsgCancelled);
  EXPECT_TRUE(h.peer.parsers.empty());
  EXPECT_EQ(h.context.CallCount(SimContext::kDataModelDocument), 1u);

  ParseHarness malformed("<DataModel>");
  malformed.peer.Cancel();
  EXPECT_EQ(malformed.Parse(), StatusCancelled);
}

TEST(VnPeerDataModel, CancelFromAnotherThreadStopsALargeParse) {
  std::string fields;
  constexpr int kFields = 200000;
  for (int i = 0; i < kFields; ++i) {
    fields += "<Field name='f" + std::to_string(i) +
              "' storage='string' measure='nominal' role='input'>"
              "<Values><Value value='a'/><Value value='b'/></Values></Field>";
  }
  ParseHarness h(DataModel(fields));
  std::atomic<bool> stop{false};
  std::thread host([&] {
    // Wait until the parse of input 0 is under way, then cancel as the host does.
    while (!stop.load() && h.peer.currentParser.load() == nullptr) std::this_thread::yield();
    int error = 0;
    h.peer.CancelExecution(&error);
  });
  const unsigned int status = h.Parse();
  stop.store(true);
  host.join();
  EXPECT_EQ(status, StatusCancelled);
  EXPECT_EQ(h.error, MsgCancelled);
  EXPECT_LT(h.Fields().size(), static_cast<size_t>(kFields));
  EXPECT_TRUE(h.peer.WasCancelled());
}

}  // namespace
}  // namespace VnKx_1_2
