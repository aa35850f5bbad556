// The transfer callbacks of the uploader. libcurl calls them on the pool
// thread that performs the request.
#include <cstdio>

#include "log/KvLog.h"
#include "upload/CEasyUploader.h"
#include "upload/UploadSupport.h"
#include "util/CommonUtils.h"

namespace {
const char* const kLog = "ESYUPLD";
}

size_t CEasyUploader::OnHeader(char* data, size_t size, size_t count, void* self) {
  return static_cast<CEasyUploader*>(self)->HandleHeader(data, size * count);
}

size_t CEasyUploader::OnBody(char* data, size_t size, size_t count, void* self) {
  return static_cast<CEasyUploader*>(self)->HandleBody(data, size * count);
}

int CEasyUploader::OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulNow) {
  return static_cast<CEasyUploader*>(self)->HandleProgress(ulNow);
}

size_t CEasyUploader::HandleHeader(const char* data, size_t length) {
  const std::string line(data, length);
  int major = 0, minor = 0, code = 0;
  int fields = sscanf(line.c_str(), " HTTP/%d.%d %3d", &major, &minor, &code);
  if (fields >= 1 && fields < 3) fields = sscanf(line.c_str(), " HTTP %3d", &code);
  if (fields > 0 && code > 0) {
    ResetResponseInfo();
    m_statusCode = code;
    for (char c : line)
      if (c != '\r' && c != '\n') m_statusLine += c;
  }
  return length;
}

size_t CEasyUploader::HandleBody(const char* data, size_t length) {
  const int idx = m_param.taskIndex;
  if (m_statusCode == 100) {
    KV_ERROR(kLog, "Task[%02d]: Sever says continue. Status=%s", idx, m_statusLine.c_str());
    return 0;
  }
  if (m_statusCode != 200) {
    KV_ERROR(kLog, "Task[%02d]: HTTP failed. Status=%s", idx, m_statusLine.c_str());
    return static_cast<size_t>(-1);
  }
  const Range local{m_receivedBytes, m_param.size > 0 ? m_param.size : 0x7FFFFFFF};
  const Range remote{m_param.breakPoint, m_param.breakPoint + static_cast<int64_t>(length) - 1};
  Range both{0, 0};
  const int rc = IntersectRange(local, remote, &both);
  KV_TRACE(kLog, "rc=%d, local(%lld-%lld), remote(%lld-%lld), result(%lld-%lld)", rc,
           static_cast<long long>(local.start), static_cast<long long>(local.end),
           static_cast<long long>(remote.start), static_cast<long long>(remote.end),
           static_cast<long long>(both.start), static_cast<long long>(both.end));
  m_receivedBytes += static_cast<int64_t>(length);
  if (rc == 1) return length;
  if (rc == 0) {
    m_responseBody.append(data, length);
    return length;
  }
  KV_DEBUG(kLog, "range reach out, stop connection");
  return static_cast<size_t>(-1);
}

int CEasyUploader::HandleProgress(int64_t uploaded) {
  if (!m_context) return 1;
  const int32_t state = m_context->GetState();
  if (state == TaskState::Destroying) return 1;
  m_meter.Update(CProgressMeter::Now(), m_param.breakPoint, uploaded);
  if (!m_context->GetDestroyFlag() && (m_meter.ReportDue() || m_param.breakPoint == m_param.size))
    PostProgress();
  return state == TaskState::Pausing ? 2 : 0;
}
