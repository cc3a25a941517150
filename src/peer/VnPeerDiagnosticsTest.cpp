#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "external/hosthelper/HostHelper.h"
#include "external/hosthelper/XMLNames.h"
#include "host/SimContext.h"
#include "host/SimHost.h"
#include "host/SimProgress.h"
#include "peer/VnPeer.h"
#include "tests/support/ProbePeer.h"

namespace VnKx_1_2 {
namespace {

using KxCppHelperV1::XMLAttributes;
using KxCppHelperV1::XMLDocument;
using KxCppHelperV1::XMLElement;
using KxCppHelperV1::XMLElementIterator;
using KxCppHelperV1::XMLElements;
using KxCppHelperV1::XMLEntities;
using VnKxTest::ProbePeer;

struct Harness {
  VnKxHost::SimContext context;
  VnKxHost::SimHost host;
  ProbePeer peer{context.record(), host.record()};

  // Fetches the error detail the way a host does: ask, grow, ask again.
  XMLDocument FetchErrorDetail() {
    std::vector<char> buffer(1);
    size_t required = 0;
    int error = 0;
    unsigned int status = peer.GetErrorDetail(buffer.data(), buffer.size(), &required, &error);
    if (status == StatusBufferTooSmall) {
      EXPECT_EQ(error, 13);
      buffer.resize(required);
      status = peer.GetErrorDetail(buffer.data(), buffer.size(), &required, &error);
    }
    EXPECT_EQ(status, StatusOk);
    EXPECT_EQ(error, 0);
    return KxCppHelperV1::HostHelper::createFromContents(buffer.data());
  }
};

struct Diagnostic {
  std::string severity;
  std::int64_t code;
  std::vector<std::string> parameters;
};

std::vector<Diagnostic> Diagnostics(const XMLDocument& detail) {
  std::vector<Diagnostic> result;
  for (XMLElementIterator it = detail.getElementsDirect(""); it.hasMore();) {
    const XMLElement element = it.next();
    EXPECT_TRUE(element.hasName(XMLElements::Diagnostic));
    Diagnostic d{element.getAttribute(XMLAttributes::Severity), 0, {}};
    EXPECT_TRUE(element.getAttribute(XMLAttributes::Code, d.code));
    for (XMLElementIterator p = element.getElementsDirect(XMLElements::Parameter); p.hasMore();) {
      d.parameters.push_back(p.next().getText());
    }
    result.push_back(d);
  }
  return result;
}

TEST(VnPeerDiagnostics, SeverityFollowsTheMessageType) {
  const struct {
    int type;
    const char* severity;
  } cases[] = {{0, XMLEntities::Unknown}, {1, XMLEntities::Information}, {2, XMLEntities::Warning},
               {3, XMLEntities::Error},   {4, XMLEntities::Fatal},       {7, XMLEntities::Unknown}};
  Harness h;
  int error = -1;
  for (const auto& c : cases) {
    EXPECT_EQ(h.peer.CollectMsgs(static_cast<VnPeer::MsgType>(c.type), 1, &error), StatusOk);
    EXPECT_EQ(error, 0);
  }
  const std::vector<Diagnostic> got = Diagnostics(h.FetchErrorDetail());
  ASSERT_EQ(got.size(), std::size(cases));
  for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].severity, cases[i].severity);
}

TEST(VnPeerDiagnostics, MessagesKeepCodesParametersAndOrder) {
  Harness h;
  int error = -1;
  h.peer.CollectMsgs(VnPeer::Error, 240043, {"a", "b"}, &error);
  h.peer.CollectMsgs(VnPeer::Error, 240043, &error);
  h.peer.SendWarningMessage(-5, {"<x & y>"}, &error);
  h.peer.SendWarningMessage(240004, &error);
  const std::vector<Diagnostic> got = Diagnostics(h.FetchErrorDetail());
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0].severity, XMLEntities::Error);
  EXPECT_EQ(got[0].code, 240043);
  EXPECT_EQ(got[0].parameters, (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(got[1].parameters.empty());
  EXPECT_EQ(got[2].severity, XMLEntities::Warning);
  EXPECT_EQ(got[2].code, -5);
  EXPECT_EQ(got[2].parameters, std::vector<std::string>{"<x & y>"});
  EXPECT_EQ(got[3].code, 240004);
}

TEST(VnPeerDiagnostics, HandOverEmptiesTheDocumentOnlyWhenComplete) {
  Harness h;
  int error = 0;
  h.peer.CollectMsgs(VnPeer::Warning, 1, {"p"}, &error);
  char small[8];
  size_t required = 0;
  EXPECT_EQ(h.peer.GetErrorDetail(small, sizeof(small), &required, &error), StatusBufferTooSmall);
  EXPECT_EQ(error, 13);
  std::vector<char> exact(required - 1);
  const size_t textLength = required - 1;
  EXPECT_EQ(h.peer.GetErrorDetail(exact.data(), textLength, &required, &error),
            StatusBufferTooSmall);
  EXPECT_EQ(required, textLength + 1);
  EXPECT_EQ(Diagnostics(h.FetchErrorDetail()).size(), 1u);
  EXPECT_TRUE(Diagnostics(h.FetchErrorDetail()).empty());
  h.peer.CollectMsgs(VnPeer::Fatal, 2, &error);
  EXPECT_EQ(Diagnostics(h.FetchErrorDetail()).size(), 1u);
}

TEST(VnPeerDiagnostics, WithoutAHostHelperEverythingAnswersDocumentError) {
  VnKxHost::SimContext context;
  ProbePeer peer(context.record(), nullptr);
  int error = 0;
  EXPECT_EQ(peer.CollectMsgs(VnPeer::Error, 1, {"a"}, &error), StatusDocumentError);
  EXPECT_EQ(error, 5);
  error = 0;
  EXPECT_EQ(peer.SendWarningMessage(1, &error), StatusDocumentError);
  EXPECT_EQ(error, 5);
  char buffer[16];
  size_t required = 0;
  error = 0;
  EXPECT_EQ(peer.GetErrorDetail(buffer, sizeof(buffer), &required, &error), StatusDocumentError);
  EXPECT_EQ(error, 5);
}

TEST(VnPeerProgress, ForwardsOrderedReportsWithMinusOne) {
  Harness h;
  VnKxHost::SimProgress progress;
  int error = -9;
  EXPECT_EQ(h.peer.Report_Progress(1, 2, &error), StatusBadArgument);  // no record yet
  EXPECT_EQ(error, -9);
  h.peer.SetProgress(progress.record());
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double current;
    double total;
    unsigned int status;
  } cases[] = {{5, 5, 0}, {0, 10, 0}, {6, 5, 2}, {nan, 5, 2}, {1, nan, 2}, {nan, nan, 2}};
  for (const auto& c : cases)
    EXPECT_EQ(h.peer.Report_Progress(c.current, c.total, &error), c.status);
  EXPECT_EQ(error, 0);
  ASSERT_EQ(progress.Reports().size(), 2u);
  EXPECT_EQ(progress.Reports()[0].current, 5);
  EXPECT_EQ(progress.Reports()[0].flag, -1);

  progress.Answer(12, 240043);
  EXPECT_EQ(h.peer.Report_Progress(1, 2, &error), 12u);
  EXPECT_EQ(error, 240043);
}

}  // namespace
}  // namespace VnKx_1_2
