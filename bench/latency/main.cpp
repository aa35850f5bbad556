// Throughput under latency: the stand-in service adds DELAY ms (20) to every
// request; the real kvup (headless, driven by kvup-client) uploads one big
// file (100 MB), then many small files (1,000 of 64 KiB). Prints MB/s and
// files/s beside the protocol's limit computed from the measured round trip:
//
//   RTT         the median time of one 128 KiB chunk request (libcurl, keep-alive)
//               under the same delay, measured before kvup runs;
//   big file    one transfer per file, one 128 KiB chunk per round trip:
//               limit = 128 KiB / RTT;
//   small files three transfers at once, each file needing R requests in turn
//               (R counted at the service: init, chunks, any others):
//               limit = 3 / (R x RTT) files/s, and by design at most
//               100 files/s (five digest jobs, each resting 50 ms per file);
//               the lower of the two applies.
//
//   bench_latency [--delay MS] [--mb SIZE] [--files N] [--kb SIZE]
#include <curl/curl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench/KvupBenchRun.h"
#include "common/ChildProcess.h"
#include "common/HttpCall.h"
#include "common/StandInService.h"
#include "common/TempDir.h"
#include "pipeline/ShaDigest.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kChunk = 131072;
const std::vector<std::string> kEndpoints = {"breakPointUploadInitAction", "breakPointUploadAction",
                                             "getFileAction", "getSubFilesAction",
                                             "createPathAction"};

struct Settings {
  int delayMs = 20;
  int mb = 100;
  int files = 1000;
  int kb = 64;
};

std::string CountRule(const std::string& endpoint) {
  return endpoint + ":delay=0:times=0";
}

size_t Collect(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

// Median seconds of a 128 KiB chunk request to a fresh upload (session s1).
double ChunkRoundTrip(const std::string& base, int samples) {
  std::string chunk(kChunk, 'r');
  CShaDigest digest;
  for (int i = 0; i < samples; ++i) digest.AddChunk(chunk.data(), kChunk);
  const int64_t size = static_cast<int64_t>(samples) * kChunk;
  const std::string hash = digest.Finish(size);
  CURL* curl = curl_easy_init();
  std::string body;
  const std::string form = "gSessionId=abc&pid=1&name=rtt.bin&size=" + std::to_string(size);
  curl_easy_setopt(curl, CURLOPT_URL,
                   (base + "/wbx/filebackup/breakPointUploadInitAction.json?").c_str());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, form.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  curl_easy_perform(curl);
  const size_t at = body.find("\"id\":");
  const long long fid = at == std::string::npos ? 0 : std::atoll(body.c_str() + at + 5);
  curl_easy_reset(curl);
  std::vector<double> times;
  for (int i = 0; i < samples; ++i) {
    body.clear();
    curl_mime* mime = curl_mime_init(curl);
    curl_mimepart* part = curl_mime_addpart(mime);
    curl_mime_name(part, "file");
    curl_mime_filename(part, "rtt.bin");
    curl_mime_data(part, chunk.data(), chunk.size());
    const std::string url =
        base +
        "/wbx/filebackup/breakPointUploadAction.json?gSessionId=abc&fid=" + std::to_string(fid) +
        "&breakPoint=" + std::to_string(static_cast<int64_t>(i) * kChunk) + "&hash=" + hash +
        "&size=" + std::to_string(size);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_MIMEPOST, mime);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    const Clock::time_point t = Clock::now();
    curl_easy_perform(curl);
    times.push_back(std::chrono::duration<double>(Clock::now() - t).count());
    curl_mime_free(mime);
  }
  curl_easy_cleanup(curl);
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

std::map<std::string, int> Seen(const kvtest::StandInService& service) {
  std::map<std::string, int> seen;
  const kvtest::Reply r = kvtest::HttpCall(service.BaseUrl()).Get("/kvup-control/faults");
  for (const Json::Value& v : r.json["data"]["rules"])
    for (const std::string& e : kEndpoints)
      if (v["rule"].asString() == CountRule(e)) seen[e] = v["seen"].asInt();
  return seen;
}

void Fill(const std::string& path, int64_t bytes, int seed) {
  std::ofstream out(path, std::ios::binary);
  std::string block(1 << 16, '\0');
  for (int64_t done = 0; done < bytes; done += static_cast<int64_t>(block.size())) {
    for (size_t i = 0; i < block.size(); i += 32)
      block[i] =
          static_cast<char>(seed * 131 + static_cast<int>((done + static_cast<int64_t>(i)) >> 5));
    out.write(block.data(), static_cast<std::streamsize>(std::min<int64_t>(
                                bytes - done, static_cast<int64_t>(block.size()))));
  }
}

// Runs kvup on one dropped folder; returns the drop's seconds and the requests per endpoint.
double RunDrop(const std::string& root, int delayMs, std::map<std::string, int>* requests,
               double* rtt) {
  kvtest::TempDir dir;
  kvtest::StandInService service({"--session", "abc=alice", "--control", "--log-level", "WARN"});
  if (!service.Start()) return -1;
  kvtest::HttpCall call(service.BaseUrl());
  call.Get("/wbx/filebackup/getSubFilesAction.json?gSessionId=abc");  // makes the root
  std::string rules = "*:delay=" + std::to_string(delayMs) + "\n";
  for (const std::string& e : kEndpoints) rules += CountRule(e) + "\n";
  call.PostRaw("/kvup-control/faults", rules);
  *rtt = ChunkRoundTrip(service.BaseUrl(), 20);
  const std::map<std::string, int> before = Seen(service);
  const std::string port = std::to_string(20000 + getpid() % 20000);
  kvtest::ChildProcess kvup;
  if (!benchrun::StartHeadlessKvup(&kvup, dir, port, service.BaseUrl())) return -1;
  kvtest::ChildProcess client;
  std::vector<std::string> commands = benchrun::ClientOpening(port);
  commands.insert(commands.end(), {"drop=" + root, "end=3600000", "quit"});
  if (!client.Start(commands)) return -1;
  const int clientCode = client.Wait(3600000);
  const int kvupCode = kvup.Wait(120000);
  const std::vector<double> drops = benchrun::DropTimes(client.Output());
  const double seconds = drops.empty() ? -1 : drops.front();
  if (clientCode != 0 || kvupCode != 0 || seconds < 0) {
    std::fprintf(stderr, "run failed (client %d, kvup %d):\n%s\n", clientCode, kvupCode,
                 client.Output().c_str());
    return -1;
  }
  for (const auto& [e, n] : Seen(service)) (*requests)[e] = n - before.at(e);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  Settings s;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const int value = std::atoi(argv[i + 1]);
    if (name == "--delay") s.delayMs = value;
    if (name == "--mb") s.mb = value;
    if (name == "--files") s.files = value;
    if (name == "--kb") s.kb = value;
  }
  curl_global_init(CURL_GLOBAL_ALL);
  kvtest::TempDir trees;
  const std::string big = trees.Sub("big/one");
  std::filesystem::create_directories(big);
  Fill(big + "/big.bin", static_cast<int64_t>(s.mb) * 1000000, 1);
  const std::string small = trees.Sub("small/many");
  for (int i = 0; i < s.files; ++i) {
    const std::string folder = small + "/d" + std::to_string(i % 20);
    std::filesystem::create_directories(folder);
    Fill(folder + "/f" + std::to_string(i), static_cast<int64_t>(s.kb) * 1024, i + 2);
  }
  std::printf("delay %d ms on every request; one file of %d MB; %d files of %d KiB\n", s.delayMs,
              s.mb, s.files, s.kb);

  std::map<std::string, int> req;
  double rtt = 0;
  const double bigSeconds = RunDrop(big, s.delayMs, &req, &rtt);
  if (bigSeconds < 0) return 1;
  const double mbps = s.mb / bigSeconds;
  const double bigLimit = kChunk / 1e6 / rtt;
  std::printf("measured chunk round trip: %.1f ms\n", rtt * 1000);
  std::printf(
      "big file:    %.2f s, %.2f MB/s; limit 128 KiB / RTT = %.2f MB/s; ratio %.2f"
      " (chunk requests %d, others %d)\n",
      bigSeconds, mbps, bigLimit, mbps / bigLimit, req["breakPointUploadAction"],
      req["breakPointUploadInitAction"] + req["getFileAction"] + req["getSubFilesAction"] +
          req["createPathAction"]);

  req.clear();
  const double smallSeconds = RunDrop(small, s.delayMs, &req, &rtt);
  if (smallSeconds < 0) return 1;
  const double perFile = static_cast<double>(req["breakPointUploadInitAction"] +
                                             req["breakPointUploadAction"] + req["getFileAction"]) /
                         s.files;
  const double fps = s.files / smallSeconds;
  const double protocolLimit = 3.0 / (perFile * rtt);
  const double limit = std::min(protocolLimit, 100.0);
  std::printf("measured chunk round trip: %.1f ms\n", rtt * 1000);
  std::printf(
      "small files: %.2f s, %.1f files/s, %.2f MB/s; requests per file R = %.2f "
      "(init %d, chunk %d, file info %d; listings %d, folders %d)\n",
      smallSeconds, fps, fps * s.kb * 1024 / 1e6, perFile, req["breakPointUploadInitAction"],
      req["breakPointUploadAction"], req["getFileAction"], req["getSubFilesAction"],
      req["createPathAction"]);
  std::printf(
      "  limit 3 / (R x RTT) = %.1f files/s; digest rest bound 100 files/s; the %s "
      "applies: %.1f files/s; ratio %.2f\n",
      protocolLimit, protocolLimit < 100 ? "protocol limit" : "digest rest", limit, fps / limit);
  curl_global_cleanup();
  return 0;
}
