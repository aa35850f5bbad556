#include "tools/kvup-service/Envelope.h"

#include <json/reader.h>
#include <json/writer.h>

#include <memory>

bool Envelope::Parse(const std::string& text, Json::Value* out) {
  std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
  return reader->parse(text.data(), text.data() + text.size(), out, nullptr);
}

std::string Envelope::Compact(const Json::Value& value) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  builder["emitUTF8"] = true;
  return Json::writeString(builder, value);
}

std::string Envelope::Ok(const Json::Value& data) {
  Json::Value v(Json::objectValue);
  v["status"] = 0;
  v["description"] = "OK";
  v["data"] = data;
  return Compact(v);
}

std::string Envelope::Failed(int status, const std::string& description) {
  Json::Value v(Json::objectValue);
  v["status"] = status;
  v["description"] = description;
  v["data"] = Json::Value(Json::objectValue);
  return Compact(v);
}

int Envelope::StatusOf(StoreCode code) {
  switch (code) {
    case StoreCode::kOk:
      return 0;
    case StoreCode::kNotFound:
      return kNotFound;
    case StoreCode::kBadName:
      return kBadName;
    case StoreCode::kNameTaken:
      return kNameTaken;
    case StoreCode::kTooLarge:
      return kTooLarge;
    case StoreCode::kOverQuota:
      return kOverQuota;
    case StoreCode::kBusy:
    case StoreCode::kConflict:
      return kBusy;
    case StoreCode::kBadParam:
    case StoreCode::kMismatch:
      return kBadParam;
    case StoreCode::kIoError:
      return kIoError;
  }
  return kIoError;
}

std::string Envelope::TextOf(StoreCode code) {
  switch (code) {
    case StoreCode::kOk:
      return "OK";
    case StoreCode::kNotFound:
      return "no such file or folder";
    case StoreCode::kBadName:
      return "name or path refused";
    case StoreCode::kNameTaken:
      return "name already used by another kind of entry";
    case StoreCode::kTooLarge:
      return "file larger than allowed";
    case StoreCode::kOverQuota:
      return "quota exceeded";
    case StoreCode::kBusy:
      return "upload in progress";
    case StoreCode::kConflict:
      return "break point differs from the bytes held";
    case StoreCode::kBadParam:
      return "bad parameter";
    case StoreCode::kMismatch:
      return "content differs from its hash";
    case StoreCode::kIoError:
      return "storage failure";
  }
  return "storage failure";
}

Json::Value Envelope::FileJson(const FileView& f) {
  Json::Value v(Json::objectValue);
  v["id"] = Json::Int64(f.id);
  v["pid"] = Json::Int64(f.pid);
  v["name"] = f.name;
  v["type"] = f.type;
  v["status"] = f.status;
  v["hash"] = f.hash;
  v["size"] = Json::Int64(f.size);
  v["breakPoint"] = Json::Int64(f.breakPoint);
  return v;
}
