// A breaker ends a transfer that waits for an answer which does not come,
// although nothing asks libcurl to abort (no progress callback): the stop of
// an upload no longer waits for libcurl's next progress call.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "common/RawHttpServer.h"
#include "session/TransferBreaker.h"
#include "upload/CUploaderContext.h"
#include "upload/TaskState.h"

namespace {

// A server whose answer waits until released (or 20 s at most).
class HeldAnswer {
 public:
  HeldAnswer()
      : server_([this](const kvtest::RawRequest&) {
          std::unique_lock<std::mutex> lock(mu_);
          entered_ = true;
          cv_.notify_all();
          cv_.wait_for(lock, std::chrono::seconds(20), [this] { return released_; });
          answered_ = true;
          return kvtest::RawHttpServer::JsonResponse("{}");
        }) {}
  ~HeldAnswer() { Release(); }

  std::string Url() const { return server_.BaseUrl() + "/held"; }
  void WaitEntered() {
    std::unique_lock<std::mutex> lock(mu_);
    cv_.wait(lock, [this] { return entered_; });
  }
  bool Answered() {
    std::lock_guard<std::mutex> lock(mu_);
    return answered_;
  }
  void Release() {
    std::lock_guard<std::mutex> lock(mu_);
    released_ = true;
    cv_.notify_all();
  }

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  bool entered_ = false, released_ = false, answered_ = false;
  kvtest::RawHttpServer server_;
};

size_t Ignore(char*, size_t size, size_t count, void*) {
  return size * count;
}

// Performs a GET of `url` on `handle`; `ended` gets the result.
std::thread Perform(CURL* handle, const std::string& url, CURLcode* ended) {
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &Ignore);
  return std::thread([handle, ended] { *ended = curl_easy_perform(handle); });
}

}  // namespace

TEST(TransferBreakerTest, BreakEndsATransferWaitingForItsAnswer) {
  HeldAnswer service;
  TransferBreaker breaker;
  CURL* handle = curl_easy_init();
  breaker.Attach(handle);
  CURLcode ended = CURLE_OK;
  std::thread transfer = Perform(handle, service.Url(), &ended);
  service.WaitEntered();
  EXPECT_EQ(breaker.OpenSockets(), 1u);
  breaker.Break();
  transfer.join();
  EXPECT_FALSE(service.Answered()) << "the transfer ended only with the answer";
  EXPECT_NE(ended, CURLE_OK);
  service.Release();
  curl_easy_cleanup(handle);
  EXPECT_EQ(breaker.OpenSockets(), 0u) << "libcurl closes its sockets through the breaker";
}

TEST(TransferBreakerTest, AKeptConnectionIsForgottenWhenTheHandleIsCleanedUp) {
  HeldAnswer service;
  service.Release();
  TransferBreaker breaker;
  CURL* handle = curl_easy_init();
  breaker.Attach(handle);
  CURLcode ended = CURLE_FAILED_INIT;
  Perform(handle, service.Url(), &ended).join();
  EXPECT_EQ(ended, CURLE_OK);
  curl_easy_reset(handle);  // options gone, the kept connection still closes through the breaker
  EXPECT_EQ(breaker.OpenSockets(), 1u);
  breaker.Break();  // nothing is transferring: harmless
  curl_easy_cleanup(handle);
  EXPECT_EQ(breaker.OpenSockets(), 0u);
}

TEST(TransferBreakerTest, ATaskTurningDestroyingBreaksItsTransfer) {
  HeldAnswer service;
  CUploaderContext task;
  task.SetState(TaskState::Transferring);
  CURL* handle = curl_easy_init();
  task.Breaker().Attach(handle);
  CURLcode ended = CURLE_OK;
  std::thread transfer = Perform(handle, service.Url(), &ended);
  service.WaitEntered();
  task.SetState(TaskState::Destroying);
  transfer.join();
  EXPECT_FALSE(service.Answered()) << "the transfer ended only with the answer";
  EXPECT_NE(ended, CURLE_OK);
  service.Release();
  curl_easy_cleanup(handle);
}
