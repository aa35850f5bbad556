// The three service requests of the uploader (init, file information, chunk)
// and the reading of their answers. The common part of each request comes
// from ServiceRequest; the uploader adds its header lines and its own
// callbacks, which see every status line and filter every body byte.
#include <json/json.h>

#include <cstring>

#include "log/KvLog.h"
#include "session/COptions.h"
#include "session/JsonText.h"
#include "session/ServiceRequest.h"
#include "upload/CEasyUploader.h"
#include "upload/UploadSupport.h"
#include "util/CommonUtils.h"

namespace {

const char* const kLog = "ESYUPLD";
const char* const kInitPath = "/wbx/filebackup/breakPointUploadInitAction.json";
const char* const kInfoPath = "/wbx/filebackup/getFileAction.json";
const char* const kChunkPath = "/wbx/filebackup/breakPointUploadAction.json";

void AddFormHeaders(ServiceRequest& request, const char* acceptCharset) {
  request.AddHeader("Connection: keep-alive")
      .AddHeader("Accept: */*")
      .AddHeader("Content-Type: application/x-www-form-urlencoded; charset=UTF-8")
      .AddHeader("Accept-Encoding: utf-8,gzip,deflate,sdch")
      .AddHeader("Accept-Language: zh-CN,zh")
      .AddHeader(acceptCharset);
}

void AddChunkHeaders(ServiceRequest& request) {
  request.AddHeader("Accept: */*")
      .AddHeader("Connection: keep-alive")
      .AddHeader("User-Agent: quorel")
      .AddHeader("Accept-Encoding: utf-8,gzip,deflate,sdch")
      .AddHeader("Accept-Language: zh-CN,zh")
      .AddHeader("Accept-Charset: utf-8");
}

// Hands the chunk to libcurl without copying it. Runs inside curl_easy_perform.
struct ChunkSource {
  const char* data;
  size_t length;
  size_t offset;
};

size_t ReadChunk(char* buffer, size_t size, size_t count, void* arg) {
  auto* src = static_cast<ChunkSource*>(arg);
  const size_t n = std::min(size * count, src->length - src->offset);
  memcpy(buffer, src->data + src->offset, n);
  src->offset += n;
  return n;
}

int SeekChunk(void* arg, curl_off_t offset, int origin) {
  auto* src = static_cast<ChunkSource*>(arg);
  if (origin != SEEK_SET || offset < 0 || static_cast<size_t>(offset) > src->length)
    return CURL_SEEKFUNC_FAIL;
  src->offset = static_cast<size_t>(offset);
  return CURL_SEEKFUNC_OK;
}

}  // namespace

void CEasyUploader::SetResponseCallbacks() {
  curl_easy_setopt(m_handle, CURLOPT_USERAGENT, "quorel");
  curl_easy_setopt(m_handle, CURLOPT_HEADERFUNCTION, &CEasyUploader::OnHeader);
  curl_easy_setopt(m_handle, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(m_handle, CURLOPT_WRITEFUNCTION, &CEasyUploader::OnBody);
  curl_easy_setopt(m_handle, CURLOPT_WRITEDATA, this);
  // Every request of the handle (init, file info, chunks): the connection a
  // chunk reuses may have been opened by the request before it.
  if (m_context) m_context->Breaker().Attach(m_handle);
}

bool CEasyUploader::FreshHandle() {
  if (m_handle) curl_easy_cleanup(m_handle);
  m_handle = curl_easy_init();
  return m_handle != nullptr;
}

void CEasyUploader::BeginAnswer() {
  // The body filter places an answer at the break point and drops what lies
  // before the bytes received so far; an answer read on its own starts that
  // count anew, so that it is never taken for bytes already seen.
  m_receivedBytes = 0;
  m_shownComplete = false;
}

bool CEasyUploader::initUploadFile() {
  if (!FreshHandle()) return false;
  BeginAnswer();
  ServiceRequest request(kInitPath, m_handle);
  AddFormHeaders(request, "Accept-Charset: utf-8");
  if (m_param.fid != 0) request.AddParam("fid", m_param.fid);
  request.AddParam("pid", m_param.pid)
      .AddEscapedParam("name", SystemToUtf8(m_param.name))
      .AddParam("size", m_param.size);
  SetResponseCallbacks();
  curl_easy_setopt(m_handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(m_handle, CURLOPT_LOW_SPEED_TIME, 15L);
  const CURLcode code = m_lastCode = request.PostForm();

  Json::Value root;
  const bool parsed = ParseResponse(&root);
  if (code != CURLE_OK) return false;
  if (!parsed) {
    KV_DEBUG(kLog, "Easydownloader::initUploadFile parsed failed, file's pid %lld, name %s",
             static_cast<long long>(m_param.pid), m_param.name.c_str());
    return false;
  }
  if (IsEnvelopeFailed(root)) {
    m_refusalStatus = static_cast<int32_t>(upload_support::EnvelopeStatus(root));
    m_refusalText = upload_support::Description(root);
    KV_DEBUG(kLog, "Easydownloader::initUploadFile status %d failed, file's pid %lld, name:%s",
             m_refusalStatus, static_cast<long long>(m_param.pid), m_param.name.c_str());
    return false;
  }
  const Json::Value* file = upload_support::DataFile(root);
  if (!file) {
    KV_DEBUG(kLog, "Easydownloader::initUploadFile data is null, file's pid %lld, name:%s",
             static_cast<long long>(m_param.pid), m_param.name.c_str());
    return false;
  }
  return ReadFileRecord(*file, true);
}

bool CEasyUploader::RequestFileInfo() {
  if (!FreshHandle()) return false;
  BeginAnswer();
  ServiceRequest request(kInfoPath, m_handle);
  AddFormHeaders(request, "Accept-Charset: GBK,utf-8");
  request.AddParam("fid", m_param.fid);
  SetResponseCallbacks();
  const CURLcode code = m_lastCode = request.Get();

  Json::Value root;
  const bool parsed = ParseResponse(&root);
  if (code != CURLE_OK || !parsed || IsEnvelopeFailed(root)) return false;
  const Json::Value* file = upload_support::DataFile(root);
  if (!file || !ReadFileRecord(*file, false)) return false;
  curl_easy_cleanup(m_handle);
  m_handle = nullptr;
  return true;
}

bool CEasyUploader::ReadFileRecord(const Json::Value& file, bool initAnswer) {
  // Sizes and break points are read as 64-bit values so that files of 4 GiB
  // and more work; a negative or non-numeric value makes the answer unusable.
  int64_t id = 0, size = 0, breakPoint = 0, type = 0, status = 0;
  if (!upload_support::ReadCount(file, "id", &id) ||
      !upload_support::ReadCount(file, "size", &size) ||
      !upload_support::ReadCount(file, "breakPoint", &breakPoint) ||
      !upload_support::ReadCount(file, "type", &type) ||
      !upload_support::ReadCount(file, "status", &status))
    return false;
  m_param.fid = id;
  if (initAnswer && status == 1) m_instant = true;
  m_remoteFile.type = static_cast<int32_t>(type);
  m_remoteFile.size = size;
  m_remoteFile.breakPoint = breakPoint;
  // An init answer never proves the file complete: it is asked about.
  m_shownComplete = !initAnswer && ShowsComplete(file);
  if (breakPoint > m_param.size) {
    // No byte of the file lies there. The answer is refused, and the task
    // keeps the break point it had rather than the bytes the service claims.
    RefuseAnswer(kBeyondSizeMessage, false);
    return true;
  }
  m_param.breakPoint = breakPoint;
  return true;
}

bool CEasyUploader::ShowsComplete(const Json::Value& file) const {
  int64_t value = 0;
  if (!file.isMember("breakPoint") || !upload_support::ReadCount(file, "breakPoint", &value) ||
      value != m_param.size)
    return false;
  if (file.isMember("size") &&
      (!upload_support::ReadCount(file, "size", &value) || value != m_param.size))
    return false;
  return !file.isMember("status") ||
         (upload_support::ReadCount(file, "status", &value) && value == 1);
}

bool CEasyUploader::ConfirmComplete() {
  // The answer asked for now replaces whatever was refused before it.
  m_refusedAnswer.clear();
  const bool answered = RequestFileInfo();
  if (!answered && m_handle) {
    curl_easy_cleanup(m_handle);
    m_handle = nullptr;
  }
  if (answered && m_refusedAnswer.empty() && m_shownComplete) return true;
  if (m_refusedAnswer.empty()) RefuseAnswer(kNotConfirmedMessage, answered);
  return false;
}

void CEasyUploader::PrepareTransfer() {
  if (m_handle)
    curl_easy_reset(m_handle);
  else
    m_handle = curl_easy_init();
  m_remoteFile.hash = m_param.hash;
  // The chunk answers of the pass are counted from here (see BeginAnswer).
  m_receivedBytes = 0;
  if (m_param.breakPoint != 0 && m_sourceFile)
    fseeko(m_sourceFile, static_cast<off_t>(m_param.breakPoint), SEEK_SET);
}

void CEasyUploader::SetTransferOptions(size_t chunkLength) {
  SetResponseCallbacks();
  curl_easy_setopt(m_handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(m_handle, CURLOPT_XFERINFOFUNCTION, &CEasyUploader::OnProgress);
  curl_easy_setopt(m_handle, CURLOPT_XFERINFODATA, this);
  // The cap (m_uploadSpeedLimitKb) is held over the pass, not per chunk.
  const int64_t rate =
      m_schedule.ChunkRate(CProgressMeter::Now(), static_cast<int64_t>(chunkLength));
  if (rate > 0)
    curl_easy_setopt(m_handle, CURLOPT_MAX_SEND_SPEED_LARGE, static_cast<curl_off_t>(rate));
}

CURLcode CEasyUploader::SendChunk(const char* data, size_t length) {
  if (!m_handle) return CURLE_FAILED_INIT;
  // The request resets the handle, which keeps its live connection.
  ServiceRequest request(kChunkPath, m_handle);
  AddChunkHeaders(request);
  request.AddParam("fid", m_param.fid)
      .AddParam("breakPoint", m_param.breakPoint)
      .AddParam("hash", m_param.hash)
      .AddParam("size", m_param.size);
  SetTransferOptions(length);
  ChunkSource source{data, length, 0};
  m_form = curl_mime_init(m_handle);
  curl_mimepart* part = curl_mime_addpart(m_form);
  curl_mime_name(part, "file");
  curl_mime_filename(part, m_formFileName.c_str());
  curl_mime_type(part, "application/octet-stream");
  curl_mime_data_cb(part, static_cast<curl_off_t>(length), &ReadChunk, &SeekChunk, nullptr,
                    &source);
  m_chunkRejected = false;
  m_shownComplete = false;
  const CURLcode code = request.PostMultipart(m_form);
  curl_mime_free(m_form);
  m_form = nullptr;
  return code;
}

bool CEasyUploader::processUpldRsp() {
  Json::Value root;
  const Json::Value* file = nullptr;
  if (!ParseResponse(&root)) {
    KV_DEBUG(kLog, "Easydownloader::processUpldRsp parsed failed, file's pid %lld, name %s",
             static_cast<long long>(m_param.pid), m_param.name.c_str());
  } else if (!IsEnvelopeFailed(root)) {
    file = upload_support::DataFile(root);
  }
  if (!file) {
    // Not an accepted chunk, whatever the status line said. A status line of
    // success alone would read as a failure that is none, so it says why.
    m_chunkRejected = true;
    m_rejectionText = upload_support::Description(root);
    if (m_rejectionText.empty() && m_statusCode == 200)
      m_rejectionText = std::string(kUnreadableMessage) + ": " + m_statusLine;
    else if (m_rejectionText.empty())
      m_rejectionText = m_statusLine;
    return false;
  }
  int64_t fileStatus = 0;
  if (upload_support::ReadCount(*file, "status", &fileStatus) && fileStatus == 1) m_instant = true;
  m_shownComplete = ShowsComplete(*file);
  return true;
}

bool CEasyUploader::ParseResponse(Json::Value* root) {
  const bool ok = JsonText::Parse(m_responseBody, root);
  m_responseBody.clear();
  return ok;
}
