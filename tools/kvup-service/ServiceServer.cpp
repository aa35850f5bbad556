#include "tools/kvup-service/ServiceServer.h"

#include <memory>
#include <sstream>

#include "log/KvLog.h"
#include "tools/kvup-service/Envelope.h"
#include "tools/kvup-service/SocketCutter.h"

namespace {

const char* kPrefix = "/wbx/filebackup/";
const char* kNotJson = "<html><body><h1>502 Bad Gateway</h1></body></html>";

// Kinds that let the request be handled and change its answer's file record.
bool IsRewrite(FaultKind kind) {
  return kind == FaultKind::kComplete || kind == FaultKind::kIncomplete ||
         kind == FaultKind::kBreakPoint;
}

}  // namespace

ServiceServer::ServiceServer(const ServiceOptions& options, CloudStore* store)
    : options_(options), store_(store), endpoints_(store, options.sessions) {
  http_.set_tcp_nodelay(true);
  http_.set_keep_alive_max_count(1000000);
  http_.set_keep_alive_timeout(30);
  http_.set_read_timeout(30);
  http_.set_write_timeout(30);
  http_.new_task_queue = [] { return new httplib::ThreadPool(32); };
  Route();
  if (options.control) RouteControl();
}

int ServiceServer::Bind(int port) {
  if (port == 0) return http_.bind_to_any_port("127.0.0.1");
  return http_.bind_to_port("127.0.0.1", port) ? port : -1;
}

void ServiceServer::Run() {
  http_.listen_after_bind();
}

void ServiceServer::Stop() {
  stop_.Set();
  http_.stop();
}

bool ServiceServer::AnswerInstead(const FaultRule& f, httplib::Response& res) {
  switch (f.kind) {
    case FaultKind::kStatus:
      res.status = static_cast<int>(f.value);
      return true;
    case FaultKind::kEnvelope:
      res.set_content(Envelope::Failed(static_cast<int>(f.value), "injected fault"),
                      "application/json;charset=UTF-8");
      return true;
    case FaultKind::kText:
      res.set_content(kNotJson, "text/html");
      return true;
    default:
      return false;
  }
}

// Replaces the answer's body by a provider that paces it and/or ends the
// connection halfway through it.
void ServiceServer::ShapeAnswer(bool cut, int64_t rate, httplib::Response& res) {
  auto body = std::make_shared<std::string>(std::move(res.body));
  auto throttle = std::make_shared<ByteThrottle>(rate, &stop_);
  std::string type = res.get_header_value("Content-Type");
  size_t stopAt = cut ? body->size() / 2 : body->size();
  res.body.clear();
  res.set_content_provider(
      body->size(), type.empty() ? "text/plain" : type,
      [body, throttle, stopAt](size_t offset, size_t length, httplib::DataSink& sink) {
        if (offset >= stopAt) return false;
        size_t n = std::min({length, stopAt - offset, size_t{4096}});
        if (!throttle->Pass(n)) return false;
        return sink.write(body->data() + offset, n);
      });
}

// Changes the file record of a handled answer; an answer without one stays.
void ServiceServer::RewriteFile(const std::vector<FaultRule>& rewrites, httplib::Response& res) {
  Json::Value root;
  if (rewrites.empty() || !Envelope::Parse(res.body, &root)) return;
  Json::Value& file = root["data"]["file"];
  if (!file.isObject()) return;
  for (const FaultRule& f : rewrites) {
    if (f.kind == FaultKind::kComplete) file["status"] = 1;
    if (f.kind == FaultKind::kIncomplete) file["status"] = 2;
    if (f.kind == FaultKind::kBreakPoint) file["breakPoint"] = Json::Int64(f.value);
  }
  res.set_content(Envelope::Compact(root), "application/json;charset=UTF-8");
}

void ServiceServer::Serve(const std::string& endpoint, const httplib::Request& req,
                          httplib::Response& res, const httplib::ContentReader* reader,
                          const Body& handle) {
  bool cut = false;
  int64_t rate = 0;
  std::vector<FaultRule> rewrites;
  for (const FaultRule& f : faults_.Decide(endpoint)) {
    if (IsRewrite(f.kind)) rewrites.push_back(f);
    if (f.kind == FaultKind::kDelay && !stop_.SleepFor(f.value)) return;
    if (f.kind == FaultKind::kStall) {
      stop_.SleepFor(f.value);
      SocketCutter::Cut(req.local_port, req.remote_port);
      return;
    }
    cut = cut || f.kind == FaultKind::kCut;
    if (f.kind == FaultKind::kThrottle) rate = f.value;
    if (AnswerInstead(f, res)) {
      ByteThrottle none(0, &stop_);
      if (reader) Endpoints::Drain(req, *reader, &none);
      return;
    }
  }
  ByteThrottle throttle(rate, &stop_);
  handle(&throttle);
  RewriteFile(rewrites, res);
  if (cut || rate > 0) ShapeAnswer(cut, rate, res);
}

void ServiceServer::Route() {
  using Handler = void (Endpoints::*)(const httplib::Request&, httplib::Response&);
  auto plain = [this](const std::string& name, Handler h) {
    return [this, name, h](const httplib::Request& req, httplib::Response& res) {
      Serve(name, req, res, nullptr, [&](ByteThrottle*) { (endpoints_.*h)(req, res); });
    };
  };
  std::string p = kPrefix;
  http_.Get(p + "getSubFilesAction.json", plain("getSubFilesAction", &Endpoints::GetSubFiles));
  http_.Get(p + "getFileAction.json", plain("getFileAction", &Endpoints::GetFile));
  http_.Post(p + "createPathAction.json", plain("createPathAction", &Endpoints::CreatePath));
  http_.Post(p + "deleteFileAction.json", plain("deleteFileAction", &Endpoints::DeleteFile));
  http_.Post(p + "breakPointUploadInitAction.json",
             plain("breakPointUploadInitAction", &Endpoints::InitUpload));
  http_.Post(
      p + "breakPointUploadAction.json", [this](const httplib::Request& req, httplib::Response& res,
                                                const httplib::ContentReader& reader) {
        Serve("breakPointUploadAction", req, res, &reader,
              [&](ByteThrottle* throttle) { endpoints_.Upload(req, res, reader, throttle); });
      });
}

void ServiceServer::RouteControl() {
  const char* json = "application/json;charset=UTF-8";
  http_.Get("/kvup-control/tree",
            [this, json](const httplib::Request& req, httplib::Response& res) {
              Json::Value entries(Json::arrayValue);
              for (const InspectRow& row : store_->Inspect(req.get_param_value("account"))) {
                Json::Value v = Envelope::FileJson(row.view);
                v["uploadSize"] = Json::Int64(row.uploadSize);
                v["content"] = row.contentPath;
                v["upload"] = row.uploadPath;
                entries.append(v);
              }
              Json::Value data(Json::objectValue);
              data["entries"] = entries;
              res.set_content(Envelope::Ok(data), json);
            });
  http_.Get("/kvup-control/faults", [this, json](const httplib::Request&, httplib::Response& res) {
    Json::Value data(Json::objectValue);
    data["rules"] = faults_.Describe();
    res.set_content(Envelope::Ok(data), json);
  });
  http_.Post("/kvup-control/faults",
             [this, json](const httplib::Request& req, httplib::Response& res) {
               std::istringstream lines(req.body);
               std::string error;
               for (std::string line; std::getline(lines, line);) {
                 if (!line.empty() && !faults_.Add(line, &error))
                   return res.set_content(Envelope::Failed(Envelope::kBadParam, error), json);
               }
               res.set_content(Envelope::Ok(Json::Value(Json::objectValue)), json);
             });
  http_.Post("/kvup-control/faults/clear",
             [this, json](const httplib::Request&, httplib::Response& res) {
               faults_.Clear();
               res.set_content(Envelope::Ok(Json::Value(Json::objectValue)), json);
             });
  // Reads a body like the chunk endpoint and keeps nothing: the baseline of the bench.
  http_.Post("/kvup-control/sink", [this, json](const httplib::Request& req, httplib::Response& res,
                                                const httplib::ContentReader& reader) {
    ByteThrottle none(0, &stop_);
    Endpoints::Drain(req, reader, &none);
    res.set_content(Envelope::Ok(Json::Value(Json::objectValue)), json);
  });
}
