// Every host entry the library calls, failing in every way it can, at the stage that calls it:
// each cell asserts the documented status and code and that the peer still answers the host
// afterwards (the sanitizer job checks that nothing leaks).

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Status.h"
#include "context/ContextInfo.h"
#include "external/hosthelper/DataHelper.h"
#include "host/SimProgress.h"
#include "host/SimThreadFactory.h"
#include "input/InputAdapter.h"
#include "input/VnPeerIterator.h"
#include "input/VnPeerRawRecIterator.h"
#include "tests/support/InputHarness.h"
#include "tests/support/ParseHarness.h"
#include "threads/VnPeerThreadFactory.h"

namespace VnKx_1_2 {
namespace {

using KxCppHelperV1::DataHelper;
using VnKxHost::Cell;
using VnKxHost::ColumnType;
using VnKxHost::EntryFault;
using VnKxHost::SimContext;

const std::string kModel = VnKxTest::DataModel(
    "<Field name='x' storage='real' measure='continuous' role='input'/>"
    "<Field name='s' storage='string' measure='nominal' role='input'>"
    "<Values><Value value='a'/><Value value='b'/></Values></Field>"
    "<Field name='wrong' storage='real' measure='continuous' role='input'/>");

VnKxHost::Table Rows() {
  VnKxHost::Table table;
  table.AddColumn("x", ColumnType::kReal);
  table.AddColumn("s", ColumnType::kString);
  table.AddColumn("wrong", ColumnType::kString);  // 8 bytes only by accident
  for (int i = 0; i < 5; ++i) table.AddRow({Cell(i * 1.0), Cell(i % 2 ? "a" : "b"), Cell("abc")});
  return table;
}

// A peer over one input, the simulator's records and the documents every stage asks for.
struct World {
  World() : input(kModel, Rows()) {
    input.context.SetContextDocument("<C><Context name='ctx'/></C>");
    input.context.SetParameterDocument("<P><Parameter name='p' value='1'/></P>");
    input.peer.SetProgress(progress.record());
  }
  VnKxTest::InputHarness input;
  VnKxHost::SimProgress progress;
  VnKxHost::SimThreadFactory threads;
  VnKxTest::ProbePeer& peer() { return input.peer; }
  SimContext& context() { return input.context; }

  // The peer still answers: diagnostics can be collected and handed over.
  void ExpectAnswering() {
    int error = -1;
    EXPECT_EQ(peer().CollectMsgs(VnPeer::Warning, 1, &error), StatusOk);
    char buffer[512];
    size_t required = 0;
    EXPECT_EQ(peer().GetErrorDetail(buffer, sizeof(buffer), &required, &error), StatusOk);
  }
};

// A document text entry failing: what the stage returns and stores.
struct TextFailure {
  const char* failure;
  int busy;
  unsigned int status;
  int code;
  bool malformed;
};

const TextFailure kTextFailures[] = {
    {"status with an error code", 0, 7, 77, false},
    {"status without an error code", 0, 9, 0, false},
    {"13 once", 1, 0, 0, false},
    {"13 twice", 2, 0, 0, false},
    {"text that is not a document", 0, 0, 0, true},
};

struct TextStage {
  const char* entry;
  SimContext::Slot slot;
  unsigned int malformedStatus;
  std::function<unsigned int(World&, int*)> act;
  std::function<void(World&, const std::string&)> setText;
};

TEST(FaultMatrix, DocumentEntriesAtTheirStages) {
  const TextStage stages[] = {
      {"context entry 1 (context)", SimContext::kContextDocument, StatusDocumentError,
       [](World& w, int* e) {
         ContextInfo info;
         return w.peer().GetContextInformation(info, e);
       },
       [](World& w, const std::string& t) { w.context().SetContextDocument(t); }},
      {"context entry 2 (parameters)", SimContext::kParameterDocument, StatusDocumentError,
       [](World& w, int* e) { return w.peer().ScanParameters(e); },
       [](World& w, const std::string& t) { w.context().SetParameterDocument(t); }},
      {"context entry 3 (data model)", SimContext::kDataModelDocument, StatusParseFailed,
       [](World& w, int* e) { return w.peer().ParseDataModel(e, false, 1); },
       [](World& w, const std::string& t) { w.context().SetDataModel(0, t); }},
  };
  int cells = 0;
  for (const TextStage& stage : stages) {
    for (const TextFailure& failure : kTextFailures) {
      SCOPED_TRACE(std::string(stage.entry) + " x " + failure.failure);
      World w;
      EntryFault& fault = w.context().Fault(stage.slot);
      fault.busyTimes = failure.busy;
      fault.status = failure.status;
      fault.errorCode = failure.code;
      if (failure.malformed) stage.setText(w, "<Broken>");
      int error = -5;
      const unsigned int status = stage.act(w, &error);
      if (failure.malformed) {
        EXPECT_EQ(status, stage.malformedStatus);
      } else if (failure.busy == 2) {
        EXPECT_EQ(status, StatusBufferTooSmall);
      } else if (failure.status != 0) {
        EXPECT_EQ(status, failure.status);
        EXPECT_EQ(error, failure.code);
      } else {
        EXPECT_EQ(status, StatusOk);
      }
      fault = EntryFault();
      if (failure.malformed)
        stage.setText(w, stage.slot == SimContext::kDataModelDocument
                             ? kModel
                             : "<D><Context name='c'/><Parameter name='a' value='1'/></D>");
      EXPECT_EQ(stage.act(w, &error), StatusOk);  // the same stage works once the host does
      w.ExpectAnswering();
      ++cells;
    }
  }
  EXPECT_EQ(cells, 15);
}

TEST(FaultMatrix, HostInformationIteratorEntryAndProgress) {
  int cells = 0;
  for (const TextFailure& failure : kTextFailures) {
    SCOPED_TRACE(std::string("host information x ") + failure.failure);
    World w;
    w.input.host.Fault().busyTimes = failure.busy;
    w.input.host.Fault().status = failure.status;
    w.input.host.Fault().errorCode = failure.code;
    if (failure.malformed) w.input.host.SetHostInformation("<Broken>");
    VnPeerHostInfo info;
    int error = 0;
    const unsigned int status = w.peer().GetHostInformation(info, &error);
    const bool fine = failure.status == 0 && failure.busy < 2 && !failure.malformed;
    EXPECT_EQ(status, fine ? StatusOk : StatusDocumentError);
    if (failure.status != 0) {
      EXPECT_EQ(error, failure.code != 0 ? failure.code : 9);
    }
    std::string path;
    w.input.host.Fault().busyTimes = failure.busy;
    EXPECT_EQ(w.peer().GetModelDllTxtFilePath(path, &error), fine ? StatusOk : StatusDocumentError);
    w.ExpectAnswering();
    ++cells;
  }
  {
    SCOPED_TRACE("context entry 12 x status with an error code");
    World w;
    w.context().Fault(SimContext::kInputIterator).status = 7;
    w.context().Fault(SimContext::kInputIterator).errorCode = 77;
    KxIterator* iterator = nullptr;
    int error = 0;
    EXPECT_EQ(w.peer().GetInputIterator(0, &iterator, &error), 7u);
    EXPECT_EQ(error, 77);
    EXPECT_EQ(iterator, nullptr);
    w.ExpectAnswering();
    ++cells;
  }
  {
    SCOPED_TRACE("progress x status with an error code");
    World w;
    w.progress.Answer(12, 240043);
    int error = 0;
    EXPECT_EQ(w.peer().Report_Progress(1, 2, &error), 12u);
    EXPECT_EQ(error, 240043);
    w.ExpectAnswering();
    ++cells;
  }
  EXPECT_EQ(cells, 7);
}

// An adapter without the column whose values have the wrong size.
struct TwoFields : InputAdapter {
  using InputAdapter::InputAdapter;
  bool CanAddToVarList(const FieldInfo* f) const override {
    return InputAdapter::CanAddToVarList(f) && f->GetFieldName() != "wrong";
  }
};

// An adapter with the text field alone.
struct TextOnly : InputAdapter {
  using InputAdapter::InputAdapter;
  bool CanAddToVarList(const FieldInfo* f) const override {
    return InputAdapter::CanAddToVarList(f) && f->GetFieldName() == "s";
  }
};

// A failure on the cursor at a record: where it shows (construction, first pass, second pass).
TEST(FaultMatrix, CursorEntriesDuringPasses) {
  struct Case {
    const char* name;
    size_t row;
    bool raw;
    bool wrongSize;
    unsigned int status;
    int code;
    const char* text;
    int pass;  // 0: the constructor's read-ahead, 1 and 2: the passes
  };
  const Case cases[] = {
      {"record value at record 0", 0, false, false, 7, 4711, "getRecordValue", 0},
      {"record value at record 3", 3, false, false, 7, 4711, "getRecordValue", 1},
      {"record value at record 3, second pass", 3, false, false, 7, 4711, "getRecordValue", 2},
      {"text value at record 2", 2, true, false, 8, 99, "getInputStringValue", 1},
      {"value of the wrong size", 0, false, true, 0, 0, "", 0},
  };
  int cells = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    World w;
    std::unique_ptr<InputAdapter> adapter;
    if (c.wrongSize) {
      adapter = w.input.Adapter();
    } else if (c.raw) {
      adapter = std::make_unique<TextOnly>(w.input.data.get(), w.input.Parser(), false, false,
                                           false, false, false);
    } else {
      adapter = std::make_unique<TwoFields>(w.input.data.get(), w.input.Parser(), false, false,
                                            false, false, false);
    }
    int error = 0;
    ASSERT_TRUE(adapter->BuildVarlist(&error));
    const int passes = c.pass;
    // A second-pass failure is set once the first pass is done.
    if (!c.wrongSize && c.pass != 2) w.input.Cursor().FailReadsAt(c.row, c.status, c.code);
    auto walk = [&] {
      if (c.raw) {
        VnPeerRawRecIterator it(w.input.data.get(), adapter.get(), false);
        for (int pass = 1; pass <= 2; ++pass) {
          while (it.NextRawRecord() != nullptr) {
          }
          if (pass == 1) it.NewPass();
        }
      } else {
        VnPeerIterator it(w.input.data.get(), adapter.get(), false);
        for (int pass = 1; pass <= 2; ++pass) {
          while (it.Next() != nullptr) {
          }
          if (pass == 1) {
            if (passes == 2) w.input.Cursor().FailReadsAt(c.row, c.status, c.code);
            it.NewPass();
          }
        }
      }
    };
    try {
      walk();
      ADD_FAILURE() << "no exception";
    } catch (const DataHelper::DataHelperException& e) {
      EXPECT_EQ(e.status(), c.status);
      EXPECT_EQ(e.hostCode(), c.code);
      EXPECT_EQ(e.text(), c.text);
    }
    w.ExpectAnswering();
    ++cells;
  }
  EXPECT_EQ(cells, 5);
}

TEST(FaultMatrix, CursorMovesThatFailEndThePass) {
  World w;
  TwoFields two(w.input.data.get(), w.input.Parser(), false, false, false, false, false);
  int error = 0;
  ASSERT_TRUE(two.BuildVarlist(&error));
  w.input.Cursor().FailNextAt(2, 9, 1);
  VnPeerIterator it(w.input.data.get(), &two, false);
  int delivered = 0;
  while (it.Next() != nullptr) ++delivered;
  EXPECT_EQ(delivered, 3);  // records 0 to 2; moving past 2 fails
  EXPECT_EQ(it.GetFailReason(), 1);
  w.input.Cursor().FailRewind(6);
  EXPECT_EQ(it.NewPass(), 1);
  EXPECT_FALSE(it.HasMore());
  w.input.Cursor().FailRewind(0);
  w.input.Cursor().FailNextAt(99, 0, 0);
  EXPECT_EQ(it.NewPass(), 0);
  delivered = 0;
  while (it.Next() != nullptr) ++delivered;
  EXPECT_EQ(delivered, 5);
  w.ExpectAnswering();
}

TEST(FaultMatrix, ThreadRecordsThatFail) {
  VnKxHost::SimThreadFactory host;
  VnPeerThreadFactory factory(host.record());
  struct Task : VnThread_1_2::IVnThreadTask {
    int runs = 0;
    bool Run(int*) override { return ++runs > 0; }
  } task;
  host.RefusePools(true);
  std::unique_ptr<VnThread_1_2::IVnThreadPool> none(factory.CreateThreadPool(2));
  EXPECT_TRUE(none->RunTasks({&task}));
  EXPECT_EQ(task.runs, 0);
  host.RefusePools(false);
  host.FailRunTasks(5);
  std::unique_ptr<VnThread_1_2::IVnThreadPool> failing(factory.CreateThreadPool(2));
  EXPECT_FALSE(failing->RunTasks({&task}));
  host.FailRunTasks(0);
  EXPECT_TRUE(failing->RunTasks({&task}));
  EXPECT_EQ(task.runs, 1);
  host.RefuseLocks(true);
  std::unique_ptr<VnThread_1_2::IVnThreadLock> lock(factory.CreateThreadLock());
  EXPECT_TRUE(lock->Lock());
  EXPECT_TRUE(lock->Unlock());
}

TEST(FaultMatrix, ConstructionWithoutHostOrContext) {
  VnKxTest::ProbePeer orphan(nullptr, nullptr);
  int error = -1;
  EXPECT_EQ(orphan.CollectMsgs(VnPeer::Error, 1, &error), StatusDocumentError);
  EXPECT_EQ(error, 5);
  error = -1;
  EXPECT_EQ(orphan.ScanParameters(&error), StatusBadArgument);
  EXPECT_EQ(orphan.ParseDataModel(&error, false, 1), StatusBadArgument);
  ContextInfo info;
  EXPECT_EQ(orphan.GetContextInformation(info, &error), StatusBadArgument);
  EXPECT_EQ(error, -1);
  VnPeerHostInfo host;
  EXPECT_EQ(orphan.GetHostInformation(host, &error), StatusDocumentError);
}

}  // namespace
}  // namespace VnKx_1_2
