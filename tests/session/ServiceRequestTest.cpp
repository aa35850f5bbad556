#include <gtest/gtest.h>
#include <json/reader.h>
#include <json/value.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "common/RawHttpServer.h"
#include "common/StandInService.h"
#include "platform/MessageQueue.h"
#include "session/Messages.h"
#include "session/ServiceConfig.h"
#include "session/ServiceRequest.h"

namespace {

using kvtest::RawHttpServer;
using kvtest::RawRequest;

class Recorder : public platform::MessageHandler {
 public:
  platform::LRESULT HandleMessage(platform::UINT msg, platform::WPARAM w,
                                  platform::LPARAM l) override {
    messages.push_back({msg, w, l});
    return 0;
  }
  struct Seen {
    platform::UINT msg;
    platform::WPARAM w;
    platform::LPARAM l;
  };
  std::vector<Seen> messages;
};

// A port on 127.0.0.1 where nobody listens.
int ClosedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), len);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  ::close(fd);
  return ntohs(addr.sin_port);
}

class ServiceRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ServiceConfig::Instance().SetBaseUrl(server_.BaseUrl() + "/");
    options_.ClearCookies();
    options_.AddCookie({".host", "GSESSIONID", "s1", "/"});
    options_.AddCookie({".host", "cookieUserAccount", "u1", "/"});
    options_.BuildCookieHeader();
    options_.BuildSessionParam();
  }
  void TearDown() override {
    COptions::Instance().m_dropWnd = nullptr;
    platform::MessageQueue::Instance().Reset();
    ServiceConfig::Instance().SetBaseUrl(ServiceConfig::kDefaultUrl);
  }
  RawRequest Only() {
    const std::vector<RawRequest> requests = server_.Requests();
    EXPECT_EQ(requests.size(), 1u);
    return requests.empty() ? RawRequest() : requests[0];
  }

  RawHttpServer server_{[](const RawRequest&) {
    return RawHttpServer::JsonResponse(R"({"status":0,"description":"OK","data":{"n":7}})");
  }};
  COptions options_;
};

TEST_F(ServiceRequestTest, GetPutsSessionFirstAndHeadersInOrder) {
  ServiceRequest request("/wbx/filebackup/getSubFilesAction.json", options_);
  request.AddHeader("Host: example.org")
      .AddHeader("Connection: keep-alive")
      .AddHeader("User-Agent: quorel")
      .AddParam("pid", int64_t{-42});
  ASSERT_EQ(request.Get(), CURLE_OK);
  const RawRequest seen = Only();
  EXPECT_EQ(seen.requestLine,
            "GET /wbx/filebackup/getSubFilesAction.json?gSessionId=s1&pid=-42 HTTP/1.1");
  EXPECT_EQ(seen.headers,
            (std::vector<std::string>{"Host: example.org", "Accept: */*", "Accept-Encoding: gzip",
                                      "Cookie: GSESSIONID=s1;cookieUserAccount=u1;",
                                      "Connection: keep-alive", "User-Agent: quorel"}));
  EXPECT_EQ(seen.body, "");
  EXPECT_EQ(request.HttpCode(), 200);
}

TEST_F(ServiceRequestTest, PostFormCarriesParamsInTheBody) {
  ServiceRequest request("/wbx/filebackup/createPathAction.json", options_);
  request.AddHeader("Content-Type: application/x-www-form-urlencoded;charset=UTF-8")
      .AddEscapedParam("path", "dir a\\b/c&d=\xE6\x96\x87");
  ASSERT_EQ(request.PostForm(), CURLE_OK);
  const RawRequest seen = Only();
  EXPECT_EQ(seen.requestLine, "POST /wbx/filebackup/createPathAction.json? HTTP/1.1");
  EXPECT_EQ(seen.body, "gSessionId=s1&path=dir%20a%5Cb%2Fc%26d%3D%E6%96%87");
  EXPECT_EQ(seen.Header("Content-Length"), std::to_string(seen.body.size()));
  EXPECT_EQ(seen.Header("Content-Type"), "application/x-www-form-urlencoded;charset=UTF-8");
  EXPECT_EQ(seen.Header("User-Agent"), "");
}

TEST_F(ServiceRequestTest, UserAgentAsOption) {
  ServiceRequest request("/wbx/filebackup/getFileAction.json", options_);
  request.UseUserAgentOption().AddParam("fid", int64_t{9});
  ASSERT_EQ(request.Get(), CURLE_OK);
  const RawRequest seen = Only();
  EXPECT_EQ(seen.requestLine,
            "GET /wbx/filebackup/getFileAction.json?gSessionId=s1&fid=9 HTTP/1.1");
  EXPECT_EQ(seen.Header("User-Agent"), "quorel");
}

TEST_F(ServiceRequestTest, WithoutSessionTheParamsStartWithAmpersand) {
  COptions anonymous;
  ServiceRequest request("/wbx/filebackup/deleteFileAction.json", anonymous);
  request.AddParam("fid", int64_t{5});
  ASSERT_EQ(request.PostForm(), CURLE_OK);
  const RawRequest seen = Only();
  EXPECT_EQ(seen.body, "&fid=5");
  EXPECT_EQ(seen.Header("Cookie"), "");
}

TEST_F(ServiceRequestTest, MultipartKeepsParamsInUrlAndSendsTheForm) {
  ServiceRequest request("/wbx/filebackup/breakPointUploadAction.json", options_);
  request.AddParam("fid", int64_t{3}).AddParam("breakPoint", int64_t{0});
  curl_mime* form = curl_mime_init(request.Handle());
  curl_mimepart* part = curl_mime_addpart(form);
  curl_mime_name(part, "file");
  curl_mime_filename(part, "a.txt");
  curl_mime_data(part, "chunk-bytes", 11);
  ASSERT_EQ(request.PostMultipart(form), CURLE_OK);
  curl_mime_free(form);
  const RawRequest seen = Only();
  EXPECT_EQ(seen.requestLine,
            "POST /wbx/filebackup/breakPointUploadAction.json?gSessionId=s1&fid=3&breakPoint=0 "
            "HTTP/1.1");
  EXPECT_EQ(seen.Header("Content-Type").rfind("multipart/form-data; boundary=", 0), 0u);
  EXPECT_NE(seen.body.find("name=\"file\"; filename=\"a.txt\""), std::string::npos);
  EXPECT_NE(seen.body.find("\r\n\r\nchunk-bytes\r\n"), std::string::npos);
  EXPECT_EQ(seen.body.find("gSessionId"), std::string::npos);
}

TEST_F(ServiceRequestTest, ResponseIsCollectedAndParsedOnce) {
  ServiceRequest request("/wbx/filebackup/getSubFilesAction.json", options_);
  ASSERT_EQ(request.Get(), CURLE_OK);
  EXPECT_EQ(request.Response(), R"({"status":0,"description":"OK","data":{"n":7}})");
  Json::Value root;
  ASSERT_TRUE(request.ParseResponse(&root));
  EXPECT_EQ(root["data"]["n"].asInt(), 7);
  EXPECT_FALSE(IsEnvelopeFailed(root));
  EXPECT_TRUE(request.Response().empty());
}

TEST_F(ServiceRequestTest, BorrowedHandleIsResetAndKept) {
  CURL* handle = curl_easy_init();
  curl_easy_setopt(handle, CURLOPT_USERAGENT, "leftover");
  {
    ServiceRequest request("/a", handle, options_);
    ASSERT_EQ(request.Get(), CURLE_OK);
  }
  {
    ServiceRequest request("/b", handle, options_);
    request.AddParam("k", "v");
    ASSERT_EQ(request.PostForm(), CURLE_OK);
  }
  curl_easy_cleanup(handle);
  const std::vector<RawRequest> seen = server_.Requests();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].Header("User-Agent"), "");
  EXPECT_EQ(seen[1].requestLine, "POST /b? HTTP/1.1");
  EXPECT_EQ(seen[1].body, "gSessionId=s1&k=v");
}

TEST_F(ServiceRequestTest, ReleasedHandleOutlivesTheRequest) {
  CURL* kept = nullptr;
  {
    ServiceRequest request("/init", options_);
    request.AddParam("x", "1");
    ASSERT_EQ(request.PostForm(), CURLE_OK);
    kept = request.ReleaseHandle();
  }
  // The body was copied: performing again must not read freed memory.
  ASSERT_EQ(curl_easy_perform(kept), CURLE_OK);
  curl_easy_cleanup(kept);
  const std::vector<RawRequest> seen = server_.Requests();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].body, "gSessionId=s1&x=1");
}

TEST_F(ServiceRequestTest, RefusedConnectionNotifiesTheDropWindow) {
  Recorder recorder;
  const platform::HWND window = platform::CreateWindowHandle(&recorder);
  COptions::Instance().m_dropWnd = window;
  ServiceConfig::Instance().SetBaseUrl("http://127.0.0.1:" + std::to_string(ClosedPort()));
  ServiceRequest request("/wbx/filebackup/getSubFilesAction.json", options_);
  EXPECT_EQ(request.Get(), CURLE_COULDNT_CONNECT);
  platform::MessageQueue::Instance().DispatchPending();
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_EQ(recorder.messages[0].msg, msg::WM_NETWORK_FAILED);
  EXPECT_EQ(recorder.messages[0].w, 0u);
  EXPECT_EQ(recorder.messages[0].l, 0);
}

TEST_F(ServiceRequestTest, UnknownHostNotifiesTheChosenWindow) {
  Recorder drop, own;
  COptions::Instance().m_dropWnd = platform::CreateWindowHandle(&drop);
  const platform::HWND window = platform::CreateWindowHandle(&own);
  ServiceConfig::Instance().SetBaseUrl("http://kvup-no-such-host.invalid");
  ServiceRequest request("/x", options_);
  request.SetNotifyWindow(window);
  EXPECT_EQ(request.Get(), CURLE_COULDNT_RESOLVE_HOST);
  platform::MessageQueue::Instance().DispatchPending();
  EXPECT_TRUE(drop.messages.empty());
  ASSERT_EQ(own.messages.size(), 1u);
  EXPECT_EQ(own.messages[0].msg, msg::WM_NETWORK_FAILED);
}

TEST_F(ServiceRequestTest, HttpErrorsDoNotNotify) {
  Recorder drop;
  COptions::Instance().m_dropWnd = platform::CreateWindowHandle(&drop);
  RawHttpServer failing([](const RawRequest&) {
    return std::string("HTTP/1.1 500 Broken\r\nContent-Length: 5\r\n\r\noops!");
  });
  ServiceConfig::Instance().SetBaseUrl(failing.BaseUrl());
  ServiceRequest request("/x", options_);
  EXPECT_EQ(request.Get(), CURLE_OK);
  EXPECT_EQ(request.HttpCode(), 500);
  Json::Value root;
  EXPECT_FALSE(request.ParseResponse(&root));
  platform::MessageQueue::Instance().DispatchPending();
  EXPECT_TRUE(drop.messages.empty());
}

// A lying or broken service can answer anything; nesting past the reader's
// limit must read as a failed answer, not throw out of a worker thread.
TEST_F(ServiceRequestTest, AnswerNestedPastTheReadersLimitIsAFailedAnswer) {
  const std::string deep =
      "{\"status\":0,\"data\":" + std::string(5000, '[') + std::string(5000, ']') + "}";
  RawHttpServer lying([&](const RawRequest&) { return RawHttpServer::JsonResponse(deep); });
  ServiceConfig::Instance().SetBaseUrl(lying.BaseUrl());
  ServiceRequest request("/x", options_);
  ASSERT_EQ(request.Get(), CURLE_OK);
  Json::Value root;
  EXPECT_FALSE(request.ParseResponse(&root));
}

Json::Value Parse(const std::string& text) {
  Json::Value root;
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &root, nullptr)) << text;
  return root;
}

TEST(Envelope, FailedOnlyWhenStatusAndDescriptionBothSaySo) {
  EXPECT_FALSE(IsEnvelopeFailed(Parse(R"({"status": 1, "description": "OK"})")));
  EXPECT_FALSE(IsEnvelopeFailed(Parse(R"({"status": 0, "description": "x"})")));
  EXPECT_TRUE(IsEnvelopeFailed(Parse(R"({"status": 3, "description": "x"})")));
  EXPECT_FALSE(IsEnvelopeFailed(Parse(R"({"status": 0})")));
  EXPECT_TRUE(IsEnvelopeFailed(Parse(R"({"status": 3})")));
}

TEST(Envelope, OddShapesNeverThrowAndCountAsFailed) {
  EXPECT_TRUE(IsEnvelopeFailed(Parse(R"([1, 2])")));
  EXPECT_TRUE(IsEnvelopeFailed(Parse(R"("text")")));
  EXPECT_TRUE(IsEnvelopeFailed(Parse(R"({"status": "0", "description": 5})")));
  EXPECT_TRUE(IsEnvelopeFailed(Parse(R"({"status": 18446744073709551615})")));
  EXPECT_FALSE(IsEnvelopeFailed(Parse(R"({"status": "0", "description": "OK"})")));
  EXPECT_TRUE(IsEnvelopeFailed(Json::Value()));
}

}  // namespace

namespace {

// The stand-in service with one session, and a silence limit of one second.
class SilentServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(service_.Start()) << service_.error();
    ServiceConfig::Instance().SetBaseUrl(service_.BaseUrl());
    ServiceConfig::Instance().SetSilenceLimitSeconds(1);
    options_.AddCookie({".host", "GSESSIONID", "s1", "/"});
    options_.BuildCookieHeader();
    options_.BuildSessionParam();
  }
  void TearDown() override {
    ServiceConfig::Instance().SetSilenceLimitSeconds(ServiceConfig::kDefaultSilenceLimitSeconds);
    ServiceConfig::Instance().SetBaseUrl(ServiceConfig::kDefaultUrl);
  }

  // The service sends nothing for 20 s on this endpoint, then hangs up.
  kvtest::StandInService service_{
      {"--session", "s1=alice", "--fault", "getSubFilesAction:stall=20000"}};
  COptions options_;
};

}  // namespace

TEST_F(SilentServiceTest, SilenceEndsTheRequestAsFailure) {
  ServiceRequest request("/wbx/filebackup/getSubFilesAction.json", options_);
  request.EndWhenSilent();
  EXPECT_EQ(request.Get(), CURLE_OPERATION_TIMEDOUT);
  ServiceRequest other("/wbx/filebackup/getFileAction.json", options_);
  other.EndWhenSilent().AddParam("fid", int64_t{1});
  EXPECT_EQ(other.Get(), CURLE_OK) << "an answering endpoint is not cut short";
}

TEST_F(SilentServiceTest, AbortFlagEndsAWaitingRequest) {
  std::atomic<bool> stop{false};
  ServiceRequest request("/wbx/filebackup/getSubFilesAction.json", options_);
  request.AbortWhen(&stop);
  std::thread stopper([&stop] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    stop = true;
  });
  EXPECT_EQ(request.Get(), CURLE_ABORTED_BY_CALLBACK);
  stopper.join();
}
