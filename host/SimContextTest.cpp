#include "host/SimContext.h"

#include <gtest/gtest.h>

#include <string>

#include "host/SimProgress.h"

namespace VnKxHost {
namespace {

unsigned int Fetch(KxTextEntry entry, KxContext* record, char* buffer, std::size_t size,
                   std::size_t* required, int* error) {
  return entry(record->handle, buffer, size, required, error);
}

TEST(SimContext, TextEntriesAnswerByTheTwoCallProtocol) {
  SimContext context;
  context.SetContextDocument("<ContextDocument/>");
  char buffer[64] = "";
  std::size_t required = 0;
  int error = 0;
  KxContext* record = context.record();
  EXPECT_EQ(Fetch(record->getContextDocument, record, buffer, 5, &required, &error), 13u);
  EXPECT_EQ(required, 19u);
  EXPECT_EQ(Fetch(record->getContextDocument, record, buffer, 19, &required, &error), 0u);
  EXPECT_STREQ(buffer, "<ContextDocument/>");
  ASSERT_EQ(context.CallCount(SimContext::kContextDocument), 2u);
  EXPECT_EQ(context.Calls()[0].size, 5u);
  EXPECT_EQ(context.Calls()[0].status, 13u);
}

TEST(SimContext, FaultsAnswerBusyThenTheirStatus) {
  SimContext context;
  context.SetParameterDocument("<Parameters/>");
  EntryFault& fault = context.Fault(SimContext::kParameterDocument);
  fault.busyTimes = 2;
  fault.busyRequired = 20000;
  fault.status = 7;
  fault.errorCode = 1234;
  char buffer[64];
  std::size_t required = 0;
  int error = 0;
  KxContext* record = context.record();
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(Fetch(record->getParameterDocument, record, buffer, 64, &required, &error), 13u);
    EXPECT_EQ(required, 20000u);
  }
  EXPECT_EQ(Fetch(record->getParameterDocument, record, buffer, 64, &required, &error), 7u);
  EXPECT_EQ(error, 1234);
}

TEST(SimContext, InputsHaveDataModelsAndCursors) {
  Table table;
  table.AddColumn("x", ColumnType::kReal);
  table.AddRow({Cell(1.0)});
  SimContext context;
  EXPECT_EQ(context.AddInput("<DataModel/>", &table), 0);
  EXPECT_EQ(context.AddInput("<DataModel n='2'/>"), 1);
  KxContext* record = context.record();
  char buffer[64];
  std::size_t required = 0;
  int error = 0;
  EXPECT_EQ(record->getDataModelDocument(record->handle, 1, buffer, 64, &required, &error), 0u);
  EXPECT_STREQ(buffer, "<DataModel n='2'/>");
  EXPECT_EQ(record->getDataModelDocument(record->handle, 2, buffer, 64, &required, &error), 2u);

  KxIterator* iterator = nullptr;
  EXPECT_EQ(record->getInputIterator(record->handle, 0, &iterator, &error), 0u);
  EXPECT_EQ(iterator, context.Iterator(0).record());
  iterator = nullptr;
  EXPECT_EQ(record->getInputIterator(record->handle, 1, &iterator, &error), 2u);
  EXPECT_EQ(iterator, nullptr);
  context.Fault(SimContext::kInputIterator).status = 9;
  context.Fault(SimContext::kInputIterator).errorCode = 99;
  EXPECT_EQ(record->getInputIterator(record->handle, 0, &iterator, &error), 9u);
  EXPECT_EQ(error, 99);
  EXPECT_EQ(context.Calls().back().input, 0);
}

TEST(SimProgress, RecordsReportsAndAnswersItsStatus) {
  SimProgress progress;
  KxProgress* record = progress.record();
  int error = 0;
  EXPECT_EQ(record->reportProgress(record->handle, 1, 10, &error, -1), 0u);
  progress.Answer(12, 240043);
  EXPECT_EQ(record->reportProgress(record->handle, 2, 10, &error, -1), 12u);
  EXPECT_EQ(error, 240043);
  ASSERT_EQ(progress.Reports().size(), 2u);
  EXPECT_EQ(progress.Reports()[1].current, 2);
  EXPECT_EQ(progress.Reports()[1].flag, -1);
}

TEST(Table, RefusesCellsOfTheWrongKind) {
  Table table;
  table.AddColumn("i", ColumnType::kInteger);
  table.AddColumn("s", ColumnType::kString);
  EXPECT_THROW(table.AddRow({Cell(1.5), Cell("a")}), std::invalid_argument);
  EXPECT_THROW(table.AddRow({Cell(1), Cell(2)}), std::invalid_argument);
  EXPECT_THROW(table.AddRow({Cell(1)}), std::invalid_argument);
  table.AddRow({Cell(1), Cell("a")});
  EXPECT_THROW(table.AddColumn("late", ColumnType::kReal), std::invalid_argument);
}

}  // namespace
}  // namespace VnKxHost
