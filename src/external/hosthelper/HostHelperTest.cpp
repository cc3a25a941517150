#include "external/hosthelper/HostHelper.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "external/hosthelper/XMLNames.h"
#include "external/hosthelper/detail/TextProtocol.h"
#include "host/SimHost.h"

namespace KxCppHelperV1 {
namespace {

TEST(HostHelper, CreateNeedsAHost) {
  EXPECT_EQ(HostHelper::create(nullptr), nullptr);
  VnKxHost::SimHost host;
  std::unique_ptr<HostHelper> helper(HostHelper::create(host.record()));
  ASSERT_NE(helper, nullptr);
  EXPECT_EQ(helper->host(), host.record());
  const XMLDocument doc = HostHelper::createNew("ErrorDetail");
  EXPECT_EQ(doc.getName(), "ErrorDetail");
  EXPECT_FALSE(doc.getElements("").hasMore());
}

TEST(HostHelper, HostInformationArrivesByTheTwoCallProtocol) {
  VnKxHost::SimHost host;
  host.Fault().busyTimes = 1;
  host.Fault().busyRequired = 20000;
  std::unique_ptr<HostHelper> helper(HostHelper::create(host.record()));
  int error = -1;
  const XMLDocument info = helper->getHostInformation(&error);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(host.Calls(), 2u);
  EXPECT_EQ(info.getElement(XMLElements::Host).getAttribute(XMLAttributes::AppName), "vnkx-host");
  EXPECT_TRUE(info.getElement("LibraryDetail").hasAttribute("path"));
}

TEST(HostHelper, HostInformationFailuresGiveAnErrorCodeAndAnEmptyDocument) {
  struct Case {
    const char* name;
    int busyTimes;
    unsigned int status;
    int code;
    const char* text;
    int expected;
  };
  const Case cases[] = {
      {"host error with code", 0, 7, 99, "<HostInformation/>", 99},
      {"host error without code", 0, 7, 0, "<HostInformation/>", 7},
      {"13 twice", 2, 0, 0, "<HostInformation/>", 13},
      {"not a document", 0, 0, 0, "<HostInformation>", 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VnKxHost::SimHost host;
    host.SetHostInformation(c.text);
    host.Fault().busyTimes = c.busyTimes;
    host.Fault().status = c.status;
    host.Fault().errorCode = c.code;
    std::unique_ptr<HostHelper> helper(HostHelper::create(host.record()));
    int error = 0;
    EXPECT_FALSE(helper->getHostInformation(&error).isValid());
    EXPECT_EQ(error, c.expected);
  }
}

// A host entry that answers from a script of statuses and required sizes.
struct ScriptedEntry {
  std::vector<unsigned int> statuses;
  std::size_t required = 0;
  std::vector<std::size_t> sizesOffered;
  unsigned int operator()(char* buffer, std::size_t size, std::size_t* needed) {
    sizesOffered.push_back(size);
    const unsigned int status = statuses[sizesOffered.size() - 1];
    *needed = required;
    if (status == 0) buffer[0] = '\0';
    return status;
  }
};

TEST(TextProtocol, RequestRetriesExactlyOnceWithTheRequiredSize) {
  struct Case {
    std::vector<unsigned int> statuses;
    unsigned int result;
    std::vector<std::size_t> sizes;
  };
  const Case cases[] = {
      {{0}, 0, {8192}}, {{13, 0}, 0, {8192, 20000}}, {{13, 13}, 13, {8192, 20000}},
      {{9}, 9, {8192}}, {{13, 4}, 4, {8192, 20000}},
  };
  for (const Case& c : cases) {
    ScriptedEntry entry{c.statuses, 20000, {}};
    BufferHelper buffer(kInitialTextBufferSize);
    EXPECT_EQ(RequestHostText(buffer, std::ref(entry)), c.result);
    EXPECT_EQ(entry.sizesOffered, c.sizes);
    EXPECT_EQ(buffer.size(), c.sizes.back());
  }
}

TEST(TextProtocol, AbsurdRequiredSizesAreRefusedWithoutAllocating) {
  ScriptedEntry entry{{13, 0}, kMaxHostTextSize + 1, {}};
  BufferHelper buffer(kInitialTextBufferSize);
  EXPECT_EQ(RequestHostText(buffer, std::ref(entry)), kStatusDocumentError);
  EXPECT_EQ(entry.sizesOffered.size(), 1u);
  EXPECT_EQ(buffer.size(), kInitialTextBufferSize);
}

TEST(TextProtocol, AnswerCopiesOnlyWhenTheTextFits) {
  const std::string text = "<r/>";
  char buffer[16] = "untouched";
  std::size_t required = 0;
  EXPECT_EQ(AnswerText(text, buffer, text.size(), &required), 13u);
  EXPECT_EQ(required, text.size() + 1);
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_EQ(AnswerText(text, buffer, text.size() + 1, &required), 0u);
  EXPECT_STREQ(buffer, "<r/>");
}

TEST(BufferHelper, ResizeGivesAnEmptyTerminatedBuffer) {
  BufferHelper buffer(0);
  EXPECT_EQ(buffer.size(), 0u);
  EXPECT_STREQ(buffer.data(), "");
  buffer.resize(20000);
  EXPECT_EQ(buffer.size(), 20000u);
  char* raw = buffer;
  EXPECT_EQ(raw, buffer.data());
}

}  // namespace
}  // namespace KxCppHelperV1
