// The upload job: sends one file with the service's resumable break-point
// protocol. An init request (or, for a resumed task, a file-information
// request) tells how many bytes the service holds; the file then goes out
// from there in 128 KiB multipart chunks. Failed chunks lead to a bounded
// number of restarts that ask the service for its break point again. The
// service's word is checked: a break point beyond the file is refused, and a
// task ends Done or Instant only when an answer shows the whole file held
// (the last chunk's, or a getFileAction asked to confirm a claim).
//
// Threads: everything runs on the upload pool thread that runs the job; the
// task state is shared with the user-interface thread through the context.
// Messages to the windows are posted with heap records the receiver frees.
#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "FTL/CFJobBase.h"
#include "upload/CProgressMeter.h"
#include "upload/CUploadParam.h"
#include "upload/CUploader.h"
#include "upload/CUploaderContext.h"
#include "upload/SendSchedule.h"

namespace Json {
class Value;
}

struct TransferResult {
  int32_t state = 0;
  std::string message;
};

// What the service says about the file on its side; recorded, never read.
struct RemoteFileRecord {
  int32_t type = 3;
  std::string hash;
  int64_t size = 0;
  int64_t breakPoint = 0;
};

class CEasyUploader : public CUploader, public FTL::CFJobBase<CUploadParam*> {
 public:
  static constexpr size_t kChunkLength = 131072;

  CEasyUploader(CUploadParam* jobParam, CUploaderContext* context);
  ~CEasyUploader() override;

  // Job operations, on the pool thread.
  bool Prepare() override;
  void Run() override;

  // Uploader operations.
  void SetParam(const CUploadParam& param) override { m_param = param; }
  // Keeps the context alive until this job is freed (a pool job).
  void HoldContext(std::shared_ptr<CUploaderContext> hold) { m_contextHold = std::move(hold); }
  int32_t Upload() override;
  void Close() override;
  std::string Name() const override { return "EasyUploader"; }

  const CUploadParam& CurrentParam() const { return m_param; }

 private:
  bool initUploadFile();
  bool RequestFileInfo();
  void PrepareTransfer();
  int32_t SendChunks();
  CURLcode RunPass(char* buffer);
  CURLcode SendChunk(const char* data, size_t length);
  bool processUpldRsp();
  // `answered`: the service's break point is in hand (a refused claim came
  // with it), so the restart goes on from there without asking again.
  int RestartConnection(int operation, int32_t maximum, bool answered = false);
  int ProcessTransferDone(CURLcode code, TransferResult* result);
  // The transfer-library code and the answer of a pass: restart (nonzero)
  // or the result as it stands.
  int EvaluateTransfer(CURLcode code, TransferResult* result);
  int32_t PostUpload(const TransferResult& result);

  bool FreshHandle();
  void SetResponseCallbacks();
  void SetTransferOptions(size_t chunkLength);
  bool ParseResponse(Json::Value* root);
  bool ReadFileRecord(const Json::Value& file, bool initAnswer);
  // The answer's file record says the service holds the whole file: break
  // point equal to the size, and size and status 1 where it gives them.
  bool ShowsComplete(const Json::Value& file) const;
  // One getFileAction: true when the service holds the whole file. Otherwise
  // the claim is refused (see m_refusedAnswer).
  bool ConfirmComplete();
  void RefuseAnswer(const char* reason, bool breakPointKnown);
  int RestartAfterRefusal(TransferResult* result);
  // A fresh answer of an init or file-information request.
  void BeginAnswer();
  bool OpenSource();
  void Fail(int32_t state, const std::string& message);
  void ResetResponseInfo();

  void PostProgress();
  void PostInfo();
  void PostEnd();

  // Messages of state 3 when the service's answers could not be taken.
  static constexpr const char* kBeyondSizeMessage = "断点超出文件大小";
  static constexpr const char* kNotConfirmedMessage = "服务未确认文件完成";
  static constexpr const char* kUnreadableMessage = "服务应答无效";

  static size_t OnHeader(char* data, size_t size, size_t count, void* self);
  static size_t OnBody(char* data, size_t size, size_t count, void* self);
  static int OnProgress(void* self, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t ulTotal,
                        curl_off_t ulNow);
  size_t HandleHeader(const char* data, size_t length);
  size_t HandleBody(const char* data, size_t length);
  int HandleProgress(int64_t uploaded);

  CUploaderContext* m_context;  // not owned
  // Declared after m_context and freed after the destructor's Close.
  std::shared_ptr<CUploaderContext> m_contextHold;
  CUploadParam m_param;
  CURL* m_handle = nullptr;
  int64_t m_receivedBytes = 0;
  uint32_t m_restartCount = 0;
  FILE* m_sourceFile = nullptr;
  int32_t m_statusCode = 0;
  std::string m_statusLine;
  CProgressMeter m_meter;
  std::string m_responseBody;
  RemoteFileRecord m_remoteFile;
  curl_mime* m_form = nullptr;
  std::string m_formFileName;
  int32_t m_refusalStatus = -1;
  std::string m_refusalText;
  bool m_instant = false;

  SendSchedule m_schedule;         // the speed cap across the chunks of a pass
  CURLcode m_lastCode = CURLE_OK;  // the most recent transfer of this upload
  // A chunk answered 200 whose envelope refused it, did not parse, or held no
  // file: it does not count as accepted.
  bool m_chunkRejected = false;
  std::string m_rejectionText;
  // The latest answer of the service shows the file complete (ShowsComplete).
  bool m_shownComplete = false;
  // An answer that cannot be taken as it stands (a break point beyond the
  // file, a completion the service did not confirm): the next pass ends at
  // once with a counted restart; the text is the task's message when the
  // restarts run out.
  std::string m_refusedAnswer;
  bool m_refusedWithBreakPoint = false;  // the refusal brought a usable break point
  bool m_fileChanged = false;            // a chunk read came back short
  bool m_stoppedByPool = false;          // the pool asked the job to stop between chunks
};
