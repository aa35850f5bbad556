#include "common/WholeProgramWorld.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "common/HttpCall.h"
#include "sqlite/DBWrapper.h"

namespace kvtest {

namespace fs = std::filesystem;

bool WholeProgramWorld::StartService() {
  service_ = std::make_unique<StandInService>(
      std::vector<std::string>{"--session", std::string(kSession) + "=alice", "--control"});
  return service_->Start();
}

void WholeProgramWorld::Launch(const std::string& url, std::vector<std::string> extra) {
  kvup_ = std::make_unique<ChildProcess>();
  std::vector<std::string> args{BuiltProgram("kvup"),  "--user-data", User(), "--port",
                                std::to_string(port_), "--service",   url};
  args.insert(args.end(), hostArgs_.begin(), hostArgs_.end());
  args.insert(args.end(), extra.begin(), extra.end());
  ASSERT_TRUE(kvup_->Start(args, {"XDG_RUNTIME_DIR=" + dir_.path()}, dir_.path()));
  ASSERT_TRUE(WaitForLog("KVUP|KVUP wait for event from CIMG")) << Log();
}

std::string WholeProgramWorld::MakeTree() {
  const std::string root = dir_.Sub("drop/相册 'q' 100%");
  fs::create_directories(root + "/a/b/c");
  fs::create_directories(root + "/空 folder");
  fs::create_directories(root + "/a/empty");
  std::mt19937 random(7);
  const std::map<std::string, size_t> files = {{"zero.bin", 0},
                                               {"a/one.txt", 1},
                                               {"a/b/中文 名字.dat", 131072},
                                               {"a/b/c/big \"x\".bin", 2 * 1024 * 1024 + 17},
                                               {"a/b/c/50%.txt", 300001}};
  for (const auto& [name, size] : files) {
    std::string content(size, '\0');
    for (char& c : content) c = static_cast<char>(random());
    std::ofstream(root + "/" + name, std::ios::binary) << content;
  }
  return root;
}

std::map<std::string, std::string> WholeProgramWorld::Remote() const {
  return service_->Held("alice", true);
}

void WholeProgramWorld::ExpectMirrored(const std::string& root) const {
  const std::map<std::string, std::string> remote = Remote();
  const std::string base = fs::path(root).filename().string();
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(root)) {
    const std::string rel = base + "/" + fs::relative(e.path(), root).string();
    if (e.is_directory()) {
      if (fs::is_empty(e.path())) {
        EXPECT_TRUE(remote.count(rel)) << "empty folder " << rel;
      }
      continue;
    }
    ASSERT_TRUE(remote.count(rel)) << "file " << rel;
    EXPECT_EQ(ReadAll(remote.at(rel)), ReadAll(e.path().string())) << rel;
  }
}

size_t WholeProgramWorld::Rows(const std::string& db, const std::string& query) const {
  DBWrapper w(Kvd() + "/" + db);
  if (!w.Open()) return 0;
  w.Query(query);
  return w.Rows().size();
}

int WholeProgramWorld::Seen(const std::string& rule) const {
  const Reply r = HttpCall(service_->BaseUrl()).Get("/kvup-control/faults");
  for (const Json::Value& v : r.json["data"]["rules"])
    if (v["rule"].asString() == rule) return v["seen"].asInt();
  return -1;
}

void WholeProgramWorld::AddFaults(const std::string& rules) const {
  HttpCall(service_->BaseUrl()).PostRaw("/kvup-control/faults", rules);
}

void WholeProgramWorld::ClearFaults() const {
  HttpCall(service_->BaseUrl()).PostRaw("/kvup-control/faults/clear", "");
}

int WholeProgramWorld::ChunksOf(const std::string& root) {
  int chunks = 0;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) chunks += static_cast<int>((e.file_size() + 131071) / 131072);
  return chunks;
}

}  // namespace kvtest
