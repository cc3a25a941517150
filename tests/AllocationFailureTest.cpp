// Fails the n-th allocation, for n = 1, 2, ..., through a whole data-model parse and a whole
// settings build: every run must end with its documented outcome (a status, or std::bad_alloc
// where the documents let exceptions pass), leave the objects usable and leak nothing (the
// sanitizer job checks for leaks).

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "base/Status.h"
#include "external/common/VnSettings.h"
#include "external/hosthelper/HostHelper.h"
#include "settings/VnSettingsFactory.h"
#include "tests/support/ParseHarness.h"

namespace {

// Allocations left before the one that fails; 0 when disarmed.
std::atomic<long> countdown{0};

void* Allocate(std::size_t size) {
  if (countdown.load() > 0 && countdown.fetch_sub(1) == 1) throw std::bad_alloc();
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

// Fails the n-th allocation from here on.
void Arm(long n) {
  countdown = n;
}
// Stops failing; true when the failing allocation was never reached.
bool Disarm() {
  return countdown.exchange(0) > 0;
}

// Runs `attempt(n)` (which sets up, arms with n, acts and disarms) for growing n until a run
// needs fewer allocations than n; returns how many runs had an allocation fail.
template <typename Attempt>
int FailEachAllocation(Attempt&& attempt) {
  int failures = 0;
  for (long n = 1; n < 200000; ++n) {
    bool reached = false;
    if (attempt(n, reached)) ++failures;
    if (!reached) break;
  }
  return failures;
}

const std::string kDataModel = VnKxTest::DataModel(
    "<Field name='code' storage='integer' measure='nominal' role='input'>"
    "<Values><Value value='1' displayLabel='low' definePartition='training'/>"
    "<Value value='2' displayLabel='high'/></Values>"
    "<DiscreteStatistics><Category category='1' sumFreqWts='3'/></DiscreteStatistics>"
    "<MissingValues><Value value='9'/><Range minValue='90' maxValue='99'/></MissingValues>"
    "<ModelField role='probability' group='g'/>"
    "<FieldFormat useNamedFormat='N'><NumberFormat name='N' width='3'/></FieldFormat>"
    "<BaseField><Field name='level' storage='string' measure='nominal' role='input'>"
    "<ValueLabels><Values><Value value='low' displayLabel='Low'/></Values></ValueLabels>"
    "<MissingValues><Value value='x'/></MissingValues></Field></BaseField></Field>"
    "<Field name='x' storage='real' measure='continuous' role='input'>"
    "<Range minValue='0' maxValue='1'/><ContinuousStatistics mean='0.5' variance='0.1'/></Field>"
    "<Field name='f' storage='string' measure='flag' role='target'><Values>"
    "<Value flagValue='true' value='y'/><Value flagValue='false' value='n'/></Values></Field>",
    "<FieldFormats count='1'><DateFormat name='D'><TimeFormat name='T'/></DateFormat>"
    "</FieldFormats><RecordCounts unweightedCount='3' weightedCount='3' droppedCount='0'/>");

TEST(AllocationFailure, DataModelParseEndsCleanly) {
  const int failures = FailEachAllocation([](long n, bool& reached) {
    VnKxTest::ParseHarness h(kDataModel);
    bool failed = false;
    Arm(n);
    try {
      // A request buffer that cannot be had answers StatusDocumentError; anything later lets
      // std::bad_alloc pass, as the parser lets the document classes' exceptions pass.
      const unsigned int status = h.Parse();
      EXPECT_TRUE(status == VnKx_1_2::StatusOk || status == VnKx_1_2::StatusDocumentError);
      failed = status != VnKx_1_2::StatusOk;
    } catch (const std::bad_alloc&) {
      failed = true;
    }
    reached = !Disarm();
    // The peer still answers the host.
    char buffer[256];
    size_t required = 0;
    int error = 0;
    EXPECT_EQ(h.peer.GetErrorDetail(buffer, sizeof(buffer), &required, &error), VnKx_1_2::StatusOk);
    return failed;
  });
  EXPECT_GT(failures, 50);
}

TEST(AllocationFailure, SettingsBuildAnswersDocumentError) {
  const std::string text =
      "<Parameters><Parameter name='a' value='1'/><Parameter name='s'><StructuredValue>"
      "<Attribute name='k'><ListValue><Value value='v'/><StructuredValue>"
      "<Attribute name='deep' value='x'/></StructuredValue></ListValue></Attribute>"
      "</StructuredValue></Parameter></Parameters>";
  const KxCppHelperV1::XMLDocument doc = KxCppHelperV1::HostHelper::createFromContents(text);
  const int failures = FailEachAllocation([&](long n, bool& reached) {
    KxCppHelperV1::XMLDocument copy = doc;
    VnXML_1_2::VnSettings settings;
    int error = -1;
    Arm(n);
    const unsigned int status =
        VnCommon_1_2::VnSettingsFactory::MakeModelSettings(copy, settings, &error);
    reached = !Disarm();
    EXPECT_TRUE(status == VnKx_1_2::StatusOk || status == VnKx_1_2::StatusDocumentError);
    EXPECT_EQ(error, -1);
    return status == VnKx_1_2::StatusDocumentError;
  });
  EXPECT_GT(failures, 5);
}

}  // namespace

void* operator new(std::size_t size) {
  return Allocate(size);
}
void* operator new[](std::size_t size) {
  return Allocate(size);
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  std::free(block);
}
