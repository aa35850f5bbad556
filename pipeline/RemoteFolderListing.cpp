#include "pipeline/RemoteFolderListing.h"

#include <json/writer.h>

#include "log/KvLog.h"
#include "pipeline/FileBackupMgr.h"
#include "pipeline/ListedEntry.h"
#include "session/ServiceConfig.h"

namespace {

const char* kLogger = "FileBackupMgr";

void LogSkipped(const Json::Value& object) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  KV_ERROR(kLogger, "FileBackupMgr::loadRemoteFolder: unusable entry skipped: %s",
           Json::writeString(builder, object).c_str());
}

}  // namespace

bool RemoteFolderListing::Load(FileBackupMgr& store, int64_t pid, ServiceRequest* request) {
  request->AddHeader("Host: " + ServiceConfig::Instance().HostName())
      .AddHeader("Connection: keep-alive")
      .AddHeader("Accept: */*")
      .AddHeader("X-Requested-With: XMLHttpRequest")
      .AddHeader("User-Agent: quorel")
      .AddHeader("Content-Type: application/x-www-form-urlencoded; charset=UTF-8")
      .AddHeader("Accept-Encoding: gzip,deflate,sdch")
      .AddHeader("Accept-Language: zh-CN,zh")
      .AddHeader("Accept-Charset: GBK,utf-8")
      .EndWhenSilent();
  if (pid != 0) request->AddParam("pid", pid);
  const CURLcode rc = request->Get();
  if (rc != CURLE_OK)
    KV_DEBUG(kLogger, "FileBackupMgr::loadRemoteFolder: pid %lld: %s", static_cast<long long>(pid),
             curl_easy_strerror(rc));
  Json::Value answer;
  if (!request->ParseResponse(&answer)) return false;
  if (IsEnvelopeFailed(answer)) return true;
  const Json::Value& data = answer["data"];
  if (!data.isObject()) {
    LogSkipped(data);
    return pid != 0;
  }
  if (pid == 0 && !StoreRoot(store, data["root"])) return false;
  StoreFiles(store, data["files"]);
  return true;
}

bool RemoteFolderListing::StoreRoot(FileBackupMgr& store, const Json::Value& root) {
  if (root.isNull()) return false;
  ListedEntry entry;
  if (!entry.Read(root)) {
    LogSkipped(root);
    return false;
  }
  store.addRemoteEntry(entry.id, entry.pid, entry.info, true);
  return true;
}

void RemoteFolderListing::StoreFiles(FileBackupMgr& store, const Json::Value& files) {
  if (files.isNull()) return;
  if (!files.isArray()) return LogSkipped(files);
  for (const Json::Value& object : files) {
    ListedEntry entry;
    if (!entry.Read(object)) {
      LogSkipped(object);
      continue;
    }
    if (entry.info.status == 1 || entry.info.status == 2)
      store.addRemoteEntry(entry.id, entry.pid, entry.info, true);
  }
  store.attachPendingEntries();
}
