// Jobs and a callback that record what the pool does with them, for the pool
// and pool-manager tests.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FTL/CFJobBase.h"
#include "FTL/CFThreadPool.h"
#include "FTL/IFThreadPoolCallBack.h"

namespace pooltest {

class Recorder {
 public:
  void Add(const std::string& what) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(what);
  }
  std::vector<std::string> Events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }
  // The recorded events that start with prefix, in order.
  std::vector<std::string> With(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& e : Events())
      if (e.rfind(prefix, 0) == 0) out.push_back(e);
    return out;
  }
  size_t Count(const std::string& prefix) const { return With(prefix).size(); }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> events_;
};

class TestJob;

struct TestParam {
  // Its end shows when the job that owns it lets go of it.
  ~TestParam() {
    if (recorder != nullptr) recorder->Add("freed:" + name);
  }
  std::string name;
  Recorder* recorder = nullptr;
  std::function<void(TestJob&)> body;  // runs inside Run; may be empty
};

class TestJob : public FTL::CFJobBase<TestParam*> {
 public:
  explicit TestJob(TestParam* p) : CFJobBase(p) {}
  static TestJob* Make(const std::string& name, Recorder* recorder,
                       std::function<void(TestJob&)> body = {}) {
    return new TestJob(new TestParam{name, recorder, std::move(body)});
  }
  void Run() override {
    param->recorder->Add("run:" + param->name);
    if (param->body) param->body(*this);
  }
  void Finish() override {
    param->recorder->Add("finish:" + param->name);
    CFJobBase::Finish();
  }
  void Cancel() override {
    param->recorder->Add("cancel:" + param->name);
    CFJobBase::Cancel();
  }
};

class RecordingCallback : public FTL::IFThreadPoolCallBack<TestParam*> {
 public:
  explicit RecordingCallback(Recorder* recorder) : recorder_(recorder) {}
  void JobStarted(int32_t index, FTL::CFJobBase<TestParam*>*) override { Note("started", index); }
  void JobFinished(int32_t index, FTL::CFJobBase<TestParam*>*) override { Note("finished", index); }
  void JobCancelled(int32_t index, FTL::CFJobBase<TestParam*>*) override {
    Note("cancelled", index);
  }
  void JobProgress(int32_t, FTL::CFJobBase<TestParam*>*, int32_t, int32_t, int32_t,
                   int32_t) override {}
  void JobError(int32_t, FTL::CFJobBase<TestParam*>*, int32_t, int32_t) override {}

 private:
  void Note(const char* what, int32_t index) {
    recorder_->Add(std::string(what) + ":" + std::to_string(index));
  }
  Recorder* recorder_;
};

// Polls until the condition holds or the time is up; the result says which.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace pooltest
