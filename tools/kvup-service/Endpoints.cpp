#include "tools/kvup-service/Endpoints.h"

#include <cerrno>
#include <cstdlib>

#include "log/KvLog.h"
#include "tools/kvup-service/ChunkWriter.h"
#include "tools/kvup-service/Envelope.h"
#include "tools/kvup-service/MultipartStream.h"

namespace {

const char* kJson = "application/json;charset=UTF-8";
const char* kLogger = "kvup-service";

// A parameter as a 64-bit number; `fallback` when absent, false when malformed.
bool Int64Param(const httplib::Request& req, const char* name, int64_t fallback, int64_t* out) {
  if (!req.has_param(name)) {
    *out = fallback;
    return true;
  }
  std::string text = req.get_param_value(name);
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || errno != 0 || *end != '\0') return false;
  *out = v;
  return true;
}

void Fail(httplib::Response& res, int status, const std::string& text) {
  res.set_content(Envelope::Failed(status, text), kJson);
}

}  // namespace

bool Endpoints::Account(const httplib::Request& req, std::string* account) {
  auto it = sessions_.find(req.get_param_value("gSessionId"));
  if (!req.has_param("gSessionId") || it == sessions_.end()) return false;
  *account = it->second;
  return true;
}

void Endpoints::Answer(httplib::Response& res, StoreCode rc, const FileView& file,
                       const char* member) {
  if (rc != StoreCode::kOk) return Fail(res, Envelope::StatusOf(rc), Envelope::TextOf(rc));
  Json::Value data(Json::objectValue);
  data[member] = Envelope::FileJson(file);
  res.set_content(Envelope::Ok(data), kJson);
}

void Endpoints::GetSubFiles(const httplib::Request& req, httplib::Response& res) {
  std::string account;
  int64_t pid = 0;
  if (!Account(req, &account)) return Fail(res, Envelope::kNoSession, "session unknown");
  if (!Int64Param(req, "pid", 0, &pid)) return Fail(res, Envelope::kBadParam, "bad pid");
  Json::Value data(Json::objectValue);
  if (!req.has_param("pid")) {
    FileView root;
    StoreCode rc = store_->Root(account, &root);
    if (rc != StoreCode::kOk) return Fail(res, Envelope::StatusOf(rc), Envelope::TextOf(rc));
    data["root"] = Envelope::FileJson(root);
  }
  std::vector<FileView> children;
  StoreCode rc = store_->List(account, pid, &children);
  if (rc != StoreCode::kOk) return Fail(res, Envelope::StatusOf(rc), Envelope::TextOf(rc));
  data["files"] = Json::Value(Json::arrayValue);
  for (const FileView& f : children) data["files"].append(Envelope::FileJson(f));
  res.set_content(Envelope::Ok(data), kJson);
}

void Endpoints::CreatePath(const httplib::Request& req, httplib::Response& res) {
  std::string account;
  if (!Account(req, &account)) return Fail(res, Envelope::kNoSession, "session unknown");
  FileView folder;
  StoreCode rc = store_->CreatePath(account, req.get_param_value("path"), &folder);
  if (rc == StoreCode::kBadName)
    KV_INFO(kLogger, "path refused for %s: %s", account.c_str(),
            req.get_param_value("path").c_str());
  Answer(res, rc, folder, "file");
}

void Endpoints::DeleteFile(const httplib::Request& req, httplib::Response& res) {
  std::string account;
  int64_t fid = 0;
  if (!Account(req, &account)) return Fail(res, Envelope::kNoSession, "session unknown");
  if (!Int64Param(req, "fid", 0, &fid) || fid <= 0)
    return Fail(res, Envelope::kBadParam, "bad fid");
  StoreCode rc = store_->Delete(account, fid);
  if (rc != StoreCode::kOk) return Fail(res, Envelope::StatusOf(rc), Envelope::TextOf(rc));
  Json::Value data(Json::objectValue);
  data["id"] = Json::Int64(fid);
  res.set_content(Envelope::Ok(data), kJson);
}

void Endpoints::InitUpload(const httplib::Request& req, httplib::Response& res) {
  std::string account;
  int64_t fid = 0, pid = 0, size = 0;
  if (!Account(req, &account)) return Fail(res, Envelope::kNoSession, "session unknown");
  if (!Int64Param(req, "fid", 0, &fid) || !Int64Param(req, "pid", -2, &pid) ||
      !req.has_param("size") || !Int64Param(req, "size", 0, &size))
    return Fail(res, Envelope::kBadParam, "bad fid, pid or size");
  FileView file;
  StoreCode rc = store_->InitUpload(account, fid, pid, req.get_param_value("name"), size, &file);
  Answer(res, rc, file, "file");
}

void Endpoints::GetFile(const httplib::Request& req, httplib::Response& res) {
  std::string account;
  int64_t fid = 0;
  if (!Account(req, &account)) return Fail(res, Envelope::kNoSession, "session unknown");
  if (!Int64Param(req, "fid", 0, &fid)) return Fail(res, Envelope::kBadParam, "bad fid");
  FileView file;
  Answer(res, store_->FileInfo(account, fid, &file), file, "file");
}

// httplib's content reader hands a multipart body to its own parser when the
// request's Content-Type says multipart/form-data, and passes the raw body
// otherwise (it looks at the header when called). The header is therefore
// set aside while the raw body is read and parsed here, then put back; the
// request object is httplib's own, not const, for the handler's run.
bool Endpoints::ReadParts(const httplib::Request& req, const httplib::ContentReader& reader,
                          const std::function<bool(const std::string&)>& onPart,
                          const std::function<bool(const char*, size_t)>& onData) {
  std::string boundary;
  if (!MultipartStream::BoundaryOf(req.get_header_value("Content-Type"), &boundary)) {
    reader([](const char*, size_t) { return true; });
    return false;
  }
  auto& headers = const_cast<httplib::Request&>(req).headers;
  auto type = headers.find("Content-Type");
  const std::string kept = type->second;
  type->second = "application/octet-stream";
  MultipartStream parts(boundary, onPart, onData);
  const bool read = reader([&](const char* data, size_t n) { return parts.Feed(data, n); });
  type->second = kept;
  return read && parts.Complete();
}

bool Endpoints::Drain(const httplib::Request& req, const httplib::ContentReader& reader,
                      ByteThrottle* throttle) {
  auto drop = [throttle](const char*, size_t n) { return throttle->Pass(n); };
  if (req.is_multipart_form_data())
    return ReadParts(
        req, reader, [](const std::string&) { return true; }, drop);
  return reader(drop);
}

// 409 and 422 carry no body: kvup then asks for the break point again.
void Endpoints::AnswerChunk(httplib::Response& res, StoreCode rc, const FileView& file) {
  switch (rc) {
    case StoreCode::kOk:
      return Answer(res, rc, file, "file");
    case StoreCode::kConflict:
    case StoreCode::kBusy:
      res.status = 409;
      return;
    case StoreCode::kMismatch:
      res.status = 422;
      return;
    case StoreCode::kNotFound:
      res.status = 404;
      break;
    case StoreCode::kIoError:
      res.status = 500;
      break;
    default:
      res.status = 400;
      break;
  }
  Fail(res, Envelope::StatusOf(rc), Envelope::TextOf(rc));
}

void Endpoints::Upload(const httplib::Request& req, httplib::Response& res,
                       const httplib::ContentReader& reader, ByteThrottle* throttle) {
  std::string account, hash = req.get_param_value("hash");
  int64_t fid = 0, breakPoint = 0, size = 0;
  bool paramsOk = Int64Param(req, "fid", 0, &fid) &&
                  Int64Param(req, "breakPoint", -1, &breakPoint) &&
                  Int64Param(req, "size", -1, &size) && breakPoint >= 0 && size >= 0;
  if (!Account(req, &account) || !paramsOk || !req.is_multipart_form_data()) {
    Drain(req, reader, throttle);
    res.status = paramsOk && req.is_multipart_form_data() ? 401 : 400;
    return Fail(res, res.status == 401 ? Envelope::kNoSession : Envelope::kBadParam,
                res.status == 401 ? "session unknown" : "bad chunk request");
  }
  ChunkWriter writer;
  FileView file;
  StoreCode rc = store_->BeginChunk(account, fid, breakPoint, hash, size, &writer, &file);
  if (rc != StoreCode::kOk || !writer.Active()) {
    Drain(req, reader, throttle);
    return AnswerChunk(res, rc, file);
  }
  bool inFile = false, sawFile = false;
  const bool bodyOk = ReadParts(
      req, reader,
      [&](const std::string& name) {
        inFile = name == "file";
        sawFile = sawFile || inFile;
        return true;
      },
      [&](const char* data, size_t n) {
        if (inFile) writer.Write(data, n);
        return throttle->Pass(n);
      });
  rc = store_->EndChunk(&writer, hash, &file);
  if (rc == StoreCode::kOk && !bodyOk) {
    res.status = 400;  // as httplib's own parser answered a body that is not multipart
    return Fail(res, Envelope::kBadParam, "bad multipart body");
  }
  if (rc == StoreCode::kOk && !sawFile) {
    res.status = 400;
    return Fail(res, Envelope::kBadParam, "no part named file");
  }
  AnswerChunk(res, rc, file);
}
