#include "pipeline/CreatePathRequest.h"

#include "util/CommonUtils.h"

namespace {

bool ReadFolder(const Json::Value& answer, CreatePathRequest::Folder* folder) {
  const Json::Value& data = answer["data"];
  if (!data.isObject()) return false;
  const Json::Value& file = data["file"];
  if (!file.isObject()) return false;
  const Json::Value &id = file["id"], &pid = file["pid"], &type = file["type"];
  if (!id.isInt64() || !pid.isInt64() || !type.isInt()) return false;
  folder->id = id.asInt64();
  folder->pid = pid.asInt64();
  folder->type = type.asInt();
  return true;
}

}  // namespace

void CreatePathRequest::AddHeaders(ServiceRequest* request) {
  request->AddHeader("Connection: keep-alive")
      .AddHeader("Accept: */*")
      .AddHeader("Content-Type: application/x-www-form-urlencoded;charset=UTF-8")
      .AddHeader("Accept-Encoding: UTF-8,gzip,deflate,sdch")
      .AddHeader("Accept-Language: zh-CN,zh")
      .AddHeader("Accept-Charset: UTF-8")
      .AddHeader("User-Agent: quorel");
}

int64_t CreatePathRequest::Send(const std::string& path, ServiceRequest* request, Folder* folder,
                                std::string* refusal) {
  AddHeaders(request);
  request->AddEscapedParam("path", SystemToUtf8(path)).EndWhenSilent();
  request->PostForm();
  Json::Value answer;
  if (!request->ParseResponse(&answer)) return kFailed;
  if (IsEnvelopeFailed(answer)) {
    const Json::Value& description = answer["description"];
    if (refusal != nullptr && description.isString()) *refusal = description.asString();
    return kFailed;
  }
  Folder read;
  if (!ReadFolder(answer, &read)) return kFailed;
  if (folder != nullptr) *folder = read;
  return read.id;
}
