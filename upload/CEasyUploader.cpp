// The flow of one upload: Upload, the transfer passes of SendChunks, the
// decision after each pass, restarts, and the final result.
#include "upload/CEasyUploader.h"

#include <unistd.h>

#include <cstring>

#include "log/KvLog.h"
#include "platform/FileSystem.h"
#include "session/COptions.h"
#include "upload/UploadNotify.h"
#include "upload/UploadSupport.h"
#include "util/CommonUtils.h"

namespace {
const char* const kLog = "ESYUPLD";
const char* const kCannotOpen = "不能打开文件";
const char* const kInfoFailed = "获取上传信息失败";
const char* const kInitFailed = "上传初始化失败";
const char* const kFileChanged = "文件已改变";
}  // namespace

CEasyUploader::CEasyUploader(CUploadParam* jobParam, CUploaderContext* context)
    : FTL::CFJobBase<CUploadParam*>(jobParam), m_context(context) {}

CEasyUploader::~CEasyUploader() {
  Close();
}

bool CEasyUploader::Prepare() {
  if (param) m_param = *param;
  return true;
}

void CEasyUploader::Run() {
  Upload();
  if (m_context && !m_context->GetDestroyFlag()) PostEnd();
}

void CEasyUploader::Close() {
  if (m_form) curl_mime_free(m_form);
  m_form = nullptr;
  if (m_handle) curl_easy_cleanup(m_handle);
  m_handle = nullptr;
  if (m_sourceFile) fclose(m_sourceFile);
  m_sourceFile = nullptr;
}

void CEasyUploader::Fail(int32_t state, const std::string& message) {
  if (m_context) m_context->SetState(state, message);
  Close();
}

bool CEasyUploader::OpenSource() {
  const int fd = platform::OpenRegularFile(m_param.Path());
  if (fd < 0) return false;
  m_sourceFile = fdopen(fd, "rb");
  if (m_sourceFile == nullptr) close(fd);
  return m_sourceFile != nullptr;
}

int32_t CEasyUploader::Upload() {
  if (m_receivedBytes > 0) {
    m_restartCount = 0;
    if (RestartConnection(1, 0x7FFFFFFF) == 0) {
      Fail(TaskState::NetworkError, kCannotOpen);
      return TaskState::NetworkError;
    }
    return SendChunks();
  }
  if (!OpenSource()) {
    Fail(TaskState::NetworkError, kCannotOpen);
    return TaskState::NetworkError;
  }
  if (m_param.fid > 0 && m_param.breakPoint != 0) {
    if (!RequestFileInfo()) {
      Fail(TaskState::NetworkError, kInfoFailed);
      return TaskState::NetworkError;
    }
  } else {
    if (!initUploadFile()) {
      Fail(TaskState::NetworkError, kInitFailed);
      return TaskState::NetworkError;
    }
    // An instant upload is taken only when the service says so again;
    // otherwise the claim is refused and the upload goes on from the
    // service's break point.
    if (m_instant && ConfirmComplete()) {
      Fail(TaskState::Instant, "秒传");
      return TaskState::Instant;
    }
    m_instant = false;
    if (m_context && !m_context->GetDestroyFlag()) PostInfo();
  }
  m_receivedBytes = 0;
  m_restartCount = 0;
  PrepareTransfer();
  return SendChunks();
}

int32_t CEasyUploader::SendChunks() {
  // One buffer for every chunk of the upload, on this thread's stack.
  char buffer[kChunkLength + 1];
  for (;;) {
    TransferResult result;
    const CURLcode code = RunPass(buffer);
    if (ProcessTransferDone(code, &result) == 0) return PostUpload(result);
  }
}

CURLcode CEasyUploader::RunPass(char* buffer) {
  m_meter.Restart(CProgressMeter::Now(), m_param.size, m_receivedBytes);
  m_schedule.Restart(CProgressMeter::Now(),
                     static_cast<int64_t>(COptions::Instance().m_uploadSpeedLimitKb) * 1024);
  memset(buffer, 0, kChunkLength + 1);
  int64_t remaining = m_param.size - m_param.breakPoint;
  m_formFileName = m_param.name;
  size_t chunkLength = kChunkLength;
  m_fileChanged = false;
  m_stoppedByPool = false;
  if (remaining < 0 && m_refusedAnswer.empty()) RefuseAnswer(kBeyondSizeMessage, false);
  if (!m_refusedAnswer.empty() || remaining == 0) return m_lastCode;

  for (;;) {
    // Outside a pool (the controller's own worker) nothing pauses the job.
    if (Pool() && WaitToContinue() != FTL::WaitContinue) {
      m_stoppedByPool = true;
      return m_lastCode;
    }
    if (remaining < static_cast<int64_t>(chunkLength)) chunkLength = static_cast<size_t>(remaining);
    // A short read means the file shrank or is being rewritten: nothing that
    // was not read goes out, and the break point stays where it was.
    if (!m_sourceFile || fread(buffer, 1, chunkLength, m_sourceFile) != chunkLength) {
      m_fileChanged = true;
      return m_lastCode = CURLE_READ_ERROR;
    }
    remaining -= static_cast<int64_t>(chunkLength);

    const CURLcode code = m_lastCode = SendChunk(buffer, chunkLength);
    if (code == CURLE_OK) m_schedule.Sent(static_cast<int64_t>(chunkLength));
    const bool accepted = processUpldRsp();
    if (remaining == 0) m_instant = false;
    if (code == CURLE_OK) {
      if (!accepted) return code;
      if (m_instant) return code;
      m_param.breakPoint = m_param.size - remaining;
      if (remaining > 0) continue;
      return code;
    }
    // The request told the drop window already when the service was not reached.
    return code;
  }
}

int CEasyUploader::ProcessTransferDone(CURLcode code, TransferResult* result) {
  const int32_t state = m_context ? m_context->GetState() : TaskState::Transferring;
  const int idx = m_param.taskIndex;
  KV_DEBUG(kLog, "Task[%02d]: State: %s, Transfer result: %s", idx, StateLogText(state).c_str(),
           CurlErrorText(code).c_str());
  Close();
  *result = TransferResult{m_instant ? TaskState::Instant : TaskState::Done, std::string()};

  if (state == TaskState::Destroying) {
    result->state = TaskState::Destroyed;
    return 0;
  }
  if (state == TaskState::Pausing) {
    result->state = TaskState::Paused;
    return 0;
  }
  if (state != TaskState::Transferring) {
    KV_FATAL(kLog, "Task[%02d]: [ProcessTransferDone] Unexpected state = %d", idx, state);
    return 0;
  }
  if (m_stoppedByPool) {
    // The whole pool was paused or stopped between two chunks: the file is
    // not complete, so the task waits to be started again.
    *result = TransferResult{TaskState::Paused, std::string()};
    return 0;
  }

  if (!m_refusedAnswer.empty()) return RestartAfterRefusal(result);

  const int again = EvaluateTransfer(code, result);
  if (again != 0 || (result->state != TaskState::Done && result->state != TaskState::Instant))
    return again;
  // The task ends Done or Instant only on the service's word that it holds
  // the whole file: the answer to the last chunk or to getFileAction, or one
  // getFileAction asked now. An instant claim is always asked about.
  if (!m_instant && m_shownComplete) return 0;
  if (ConfirmComplete()) return 0;
  m_instant = false;
  return RestartAfterRefusal(result);
}

int CEasyUploader::RestartAfterRefusal(TransferResult* result) {
  const std::string reason = m_refusedAnswer;
  const bool answered = m_refusedWithBreakPoint;
  m_refusedAnswer.clear();
  m_refusedWithBreakPoint = false;
  const int r = RestartConnection(2, -1, answered);
  if (r == 0) *result = TransferResult{TaskState::NetworkError, reason};
  KV_ERROR(kLog, "Task[%02d]: [Refused answer]: %s. Retry=%d", m_param.taskIndex, reason.c_str(),
           r);
  return r;
}

void CEasyUploader::RefuseAnswer(const char* reason, bool breakPointKnown) {
  m_refusedAnswer = reason;
  m_refusedWithBreakPoint = breakPointKnown;
}

int CEasyUploader::EvaluateTransfer(CURLcode code, TransferResult* result) {
  const int idx = m_param.taskIndex;
  const bool okStatus = m_statusCode == 200 || m_statusCode == 100;
  switch (code) {
    case CURLE_OK: {
      if (okStatus && !m_chunkRejected) return 0;
      const std::string reason = m_chunkRejected ? m_rejectionText : m_statusLine;
      const int r = RestartConnection(2, -1);
      if (r == 0) *result = TransferResult{TaskState::NetworkError, reason};
      KV_ERROR(kLog, "Task[%02d]: [Server Error]: %s. Retry=%d", idx, reason.c_str(), r);
      return r;
    }
    case CURLE_WRITE_ERROR:
      if (m_statusCode != 200) *result = TransferResult{TaskState::NetworkError, m_statusLine};
      KV_DEBUG(kLog, "Task[%02d]: Connection stopped by write data function", idx);
      return 0;
    case CURLE_READ_ERROR:
      if (m_fileChanged)
        *result = TransferResult{TaskState::NetworkError, kFileChanged};
      else if (m_statusCode != 200)
        *result = TransferResult{TaskState::NetworkError, m_statusLine};
      KV_DEBUG(kLog, "Task[%02d]: Connection stopped by read data function", idx);
      return 0;
    case CURLE_OPERATION_TIMEDOUT: {
      const int r = RestartConnection(1, 0x7FFFFFFF);
      if (r == 0) *result = TransferResult{TaskState::NetworkError, CurlErrorText(code)};
      KV_DEBUG(kLog, "Task[%02d]: Timeout, retry [%d]", idx, r);
      return r;
    }
    case CURLE_ABORTED_BY_CALLBACK:
      KV_FATAL(kLog, "Task[%02d]: Connection stopped by abort callback. Unexpected State: %d", idx,
               TaskState::Transferring);
      return 0;
    default: {
      const int r = RestartConnection(2, -1);
      if (r == 0) *result = TransferResult{TaskState::NetworkError, CurlErrorText(code)};
      KV_DEBUG(kLog, "Task[%02d]: Retry=[%d], times = %d", idx, r, m_restartCount);
      return r;
    }
  }
}

int CEasyUploader::RestartConnection(int operation, int32_t maximum, bool answered) {
  const uint32_t limit = maximum < 0 ? static_cast<uint32_t>(COptions::Instance().m_retryCount)
                                     : static_cast<uint32_t>(maximum);
  if (m_restartCount >= limit) {
    KV_DEBUG(kLog, "Retry times over, RestartConnection failed. retry=%d, max retry=%d",
             m_restartCount, limit);
    return 0;
  }
  int counter = static_cast<int>(m_restartCount);
  UpdateRetryCount(operation, &counter);
  m_restartCount = static_cast<uint32_t>(counter);
  m_chunkRejected = false;
  if (!m_sourceFile && !OpenSource()) return 0;
  // A refused claim that came with the service's break point goes on from
  // it; otherwise the service is asked again.
  if (!answered) {
    ResetResponseInfo();
    m_refusedAnswer.clear();
    if (m_param.fid > 0) {
      if (!RequestFileInfo()) {
        Fail(TaskState::NetworkError, kInfoFailed);
        return 0;
      }
    } else if (!initUploadFile()) {
      Fail(TaskState::NetworkError, kInitFailed);
      return 0;
    }
  }
  PrepareTransfer();
  return 1;
}

int32_t CEasyUploader::PostUpload(const TransferResult& given) {
  m_handle = nullptr;
  TransferResult result = given;
  const int idx = m_param.taskIndex;
  KV_INFO(kLog, "CEasyUploader::PostUpload: Task[%02d]: Upload result: %s", idx,
          StateLogText(result.state, result.message).c_str());
  const COptions& options = COptions::Instance();
  if ((result.state == TaskState::Done || result.state == TaskState::Instant ||
       result.state == TaskState::Destroyed) &&
      options.m_keepUploadCache == 0)
    upload_support::RemoveTaskCache(options.m_dataRoot, idx, m_param.name);
  if (!m_context) return result.state;

  std::lock_guard<std::recursive_mutex> hold(m_context->TaskLock());
  if (m_context->GetState() == TaskState::Destroying && result.state != TaskState::Destroyed) {
    KV_INFO(kLog, "Task[%02d]: PostDownload, explicitly change state from %s to %d(Destroyed)", idx,
            StateLogText(result.state, result.message).c_str(), TaskState::Destroyed);
    result = TransferResult{TaskState::Destroyed, std::string()};
  }
  m_context->SetState(result.state, result.message);
  const int32_t finalState = m_context->GetState();
  m_context->Param().fid = m_param.fid;
  m_context->Param().breakPoint = m_param.breakPoint;
  return finalState;
}

void CEasyUploader::PostProgress() {
  upload_notify::PostProgress(m_param.notifyWindow, m_param.taskIndex, m_param.fid, m_param.size,
                              m_param.breakPoint, static_cast<uint32_t>(m_meter.RemainingTime()),
                              m_meter.Speed());
}

void CEasyUploader::PostInfo() {
  upload_notify::PostInfo(m_param.notifyWindow, m_param.fid, m_param.taskIndex);
}

void CEasyUploader::PostEnd() {
  msg::TaskStateRecord state;
  m_context->GetStateAndMessage(&state);
  const bool refused = m_refusalStatus != -1;
  if (refused) state.refusal = m_refusalText;
  const int64_t fid = refused ? m_refusalStatus : m_param.fid;
  const int64_t breakPoint = refused ? m_refusalStatus : m_param.breakPoint;
  upload_notify::PostEnd(m_param.notifyWindow, m_param.taskIndex, fid, breakPoint, state);
}

void CEasyUploader::ResetResponseInfo() {
  m_statusCode = 0;
  m_statusLine.clear();
}
