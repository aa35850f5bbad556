// Fault injection of the stand-in service, by option and by control endpoint.
#include <curl/curl.h>

#include "ServiceFixture.h"

namespace svctest {
namespace {

using FaultTest = ServiceTest;

std::string ListPath() {
  return "/wbx/filebackup/getSubFilesAction.json?gSessionId=s1";
}

Reply AddRule(const ServiceTest&, const HttpCall& http, const std::string& rule) {
  return http.PostRaw("/kvup-control/faults", rule);
}

TEST_F(FaultTest, StatusEveryNthRequestOfOneEndpointOnly) {
  ASSERT_EQ(AddRule(*this, Http(), "getSubFilesAction:status=503:every=2").Status(), 0);
  std::vector<long> codes;
  for (int i = 0; i < 4; ++i) codes.push_back(Http().Get(ListPath()).http);
  EXPECT_EQ(codes, (std::vector<long>{200, 503, 200, 503}));
  EXPECT_EQ(FileInfo("s1", 1).http, 200) << "other endpoints are untouched";
  EXPECT_EQ(CreatePath("s1", "A").Status(), 0) << "other endpoints are untouched";
  EXPECT_NE(service_.LogText().find("injected fault getSubFilesAction:status=503"),
            std::string::npos);
  ASSERT_EQ(Http().PostRaw("/kvup-control/faults/clear", "").Status(), 0);
  EXPECT_EQ(Http().Get(ListPath()).http, 200);
}

TEST_F(FaultTest, SeededProbabilityRepeatsItsPatternAndTimesLimitsIt) {
  auto pattern = [this](const std::string& rule) {
    Http().PostRaw("/kvup-control/faults/clear", "");
    AddRule(*this, Http(), rule);
    std::string p;
    for (int i = 0; i < 40; ++i) p += Http().Get(ListPath()).http == 500 ? '1' : '0';
    return p;
  };
  std::string a = pattern("getSubFilesAction:status=500:prob=0.5:seed=42");
  std::string b = pattern("getSubFilesAction:status=500:prob=0.5:seed=42");
  EXPECT_EQ(a, b);
  EXPECT_NE(a.find('1'), std::string::npos);
  EXPECT_NE(a.find('0'), std::string::npos);
  std::string limited = pattern("getSubFilesAction:status=500:times=3");
  EXPECT_EQ(limited, "111" + std::string(37, '0'));
}

TEST_F(FaultTest, EnvelopeAndNonJsonAnswers) {
  AddRule(*this, Http(), "createPathAction:envelope=777:times=1\ngetFileAction:text:times=1");
  Reply env = CreatePath("s1", "A");
  EXPECT_EQ(env.http, 200);
  EXPECT_EQ(env.Status(), 777);
  EXPECT_EQ(Tree("alice").size(), 0u) << "the faulted request is not handled";
  Reply text = FileInfo("s1", RootId());
  EXPECT_EQ(text.http, 200);
  EXPECT_FALSE(text.parsed);
  EXPECT_FALSE(text.body.empty());
  EXPECT_NE(AddRule(*this, Http(), "getFileAction:explode").Status(), 0) << "bad rules are refused";
}

TEST_F(FaultTest, StallClosesWithoutAnswerAndCutEndsTheBodyHalfway) {
  AddRule(*this, Http(), "getSubFilesAction:stall=100:times=1\ngetFileAction:cut:times=1");
  Reply stalled = Http().Get(ListPath());
  EXPECT_EQ(stalled.curlCode, CURLE_GOT_NOTHING);
  Reply cut = Http().Get("/wbx/filebackup/getFileAction.json?gSessionId=s1&fid=" +
                         std::to_string(RootId()));
  EXPECT_EQ(cut.curlCode, CURLE_PARTIAL_FILE);
  EXPECT_FALSE(cut.parsed);
  EXPECT_EQ(FileInfo("s1", RootId()).Status(), 0) << "the next request is served again";
}

TEST_F(FaultTest, CutChunkAnswerKeepsTheStoredChunk) {
  std::string content = Pattern(2 * kChunk, 3);
  int64_t size = static_cast<int64_t>(content.size());
  int64_t fid = Init("s1", RootId(), "c.bin", size).File()["id"].asInt64();
  AddRule(*this, Http(), "breakPointUploadAction:cut:times=1");
  Reply lost = Chunk("s1", fid, 0, DigestOf(content), size, content.substr(0, kChunk));
  EXPECT_NE(lost.curlCode, CURLE_OK);
  EXPECT_EQ(FileInfo("s1", fid).File()["breakPoint"].asInt64(), 131072)
      << "the client asks again and goes on from the bytes held";
  EXPECT_EQ(SendRange("s1", fid, content, kChunk, content.size()).File()["status"].asInt(), 1);
}

TEST_F(FaultTest, DelayAndThrottleOutlastAShortClientTimeout) {
  AddRule(*this, Http(), "getSubFilesAction:delay=3000:times=1");
  EXPECT_EQ(Http().Get(ListPath(), 300).curlCode, CURLE_OPERATION_TIMEDOUT);
  Http().PostRaw("/kvup-control/faults/clear", "");
  for (int i = 0; i < 40; ++i) CreatePath("s1", "folder-with-a-longish-name-" + std::to_string(i));
  AddRule(*this, Http(), "getSubFilesAction:throttle=500:times=1");
  EXPECT_EQ(Http().Get(ListPath(), 300).curlCode, CURLE_OPERATION_TIMEDOUT);
  Reply after = Http().Get(ListPath());
  EXPECT_EQ(after.json["data"]["files"].size(), 40u);
}

class FaultOptionTest : public ServiceTest {
 protected:
  FaultOptionTest() : ServiceTest({"--fault", "deleteFileAction:status=418"}) {}
};

TEST_F(FaultOptionTest, RuleGivenAtStartApplies) {
  int64_t fid = Upload("s1", RootId(), "x", "abc");
  ASSERT_GT(fid, 0);
  EXPECT_EQ(Delete("s1", fid).http, 418);
  EXPECT_EQ(FileInfo("s1", fid).Status(), 0) << "not deleted";
  Reply rules = Http().Get("/kvup-control/faults");
  ASSERT_EQ(rules.json["data"]["rules"].size(), 1u);
  EXPECT_EQ(rules.json["data"]["rules"][0]["fired"].asInt(), 1);
}

}  // namespace
}  // namespace svctest
