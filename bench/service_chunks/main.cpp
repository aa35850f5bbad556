// bench_service_chunks [CHUNKS]: one plain libcurl client sends CHUNKS (8192 by
// default, 1 GiB) multipart chunks of 128 KiB over one keep-alive connection,
// first to a trivial sink (plain sockets in this program: reads the head and
// Content-Length bytes, answers a fixed 200), then to the service's sink
// endpoint (read and dropped), then to the real chunk endpoint (stored,
// digested, acknowledged), and prints the three times with the CPU time the
// server spent on each (steadier than wall time on a busy machine). Target:
// the chunk endpoint within 2x the trivial sink.
#include <curl/curl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TrivialSink.h"
#include "common/StandInService.h"
#include "pipeline/ShaDigest.h"

namespace {

constexpr size_t kChunk = 131072;
constexpr int kDistinct = 8;  // chunk contents repeat with this period

size_t Collect(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

struct Client {
  CURL* curl = curl_easy_init();
  std::string body;
  ~Client() { curl_easy_cleanup(curl); }

  bool Post(const std::string& url, const char* data, size_t n) {
    body.clear();
    curl_mime* mime = curl_mime_init(curl);
    curl_mimepart* part = curl_mime_addpart(mime);
    curl_mime_name(part, "file");
    curl_mime_filename(part, "bench.bin");
    curl_mime_data(part, data, n);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_MIMEPOST, mime);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    CURLcode rc = curl_easy_perform(curl);
    long http = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &http);
    curl_mime_free(mime);
    return rc == CURLE_OK && http == 200;
  }
};

// Sends to the chunk endpoint, or with `sinkPath` set to that path (no check of the answer).
double Send(const std::string& base, int chunks, const std::vector<std::string>& data,
            const char* sinkPath, int64_t fid, const std::string& hash) {
  Client client;
  const bool sink = sinkPath != nullptr;
  int64_t size = static_cast<int64_t>(chunks) * kChunk;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < chunks; ++i) {
    std::string url = sink ? base + sinkPath
                           : base +
                                 "/wbx/filebackup/breakPointUploadAction.json?gSessionId=s1&fid=" +
                                 std::to_string(fid) +
                                 "&breakPoint=" + std::to_string(static_cast<int64_t>(i) * kChunk) +
                                 "&hash=" + hash + "&size=" + std::to_string(size);
    const std::string& chunk = data[static_cast<size_t>(i % kDistinct)];
    if (!client.Post(url, chunk.data(), chunk.size())) {
      std::fprintf(stderr, "chunk %d failed: %s\n", i, client.body.c_str());
      return -1;
    }
  }
  if (!sink && client.body.find("\"status\":1,") == std::string::npos) {
    std::fprintf(stderr, "file not complete after the last chunk: %s\n", client.body.c_str());
    return -1;
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int64_t InitUpload(const std::string& base, int chunks) {
  CURL* curl = curl_easy_init();
  std::string body, form = "gSessionId=s1&pid=1&name=bench.bin&size=" +
                           std::to_string(static_cast<int64_t>(chunks) * kChunk);
  curl_easy_setopt(curl, CURLOPT_URL,
                   (base + "/wbx/filebackup/breakPointUploadInitAction.json?").c_str());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, form.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  curl_easy_perform(curl);
  curl_easy_cleanup(curl);
  size_t at = body.find("\"id\":");
  return at == std::string::npos ? 0 : std::atoll(body.c_str() + at + 5);
}

// User plus system CPU seconds of a process so far.
double CpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(in, line);
  size_t at = line.rfind(')');  // the command name may hold blanks
  if (at == std::string::npos) return 0;
  std::istringstream fields(line.substr(at + 2));
  std::string skip;
  for (int i = 3; i < 14; ++i) fields >> skip;
  double user = 0, system = 0;
  fields >> user >> system;
  return (user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace

int main(int argc, char** argv) {
  int chunks = argc > 1 ? std::atoi(argv[1]) : 8192;
  curl_global_init(CURL_GLOBAL_ALL);
  std::vector<std::string> data;
  CShaDigest digest;
  for (int k = 0; k < kDistinct; ++k) {
    std::string c(kChunk, '\0');
    for (size_t i = 0; i < kChunk; ++i)
      c[i] = static_cast<char>((i * 31 + static_cast<size_t>(k) * 7) >> 3);
    data.push_back(c);
  }
  for (int i = 0; i < chunks; ++i)
    digest.AddChunk(data[static_cast<size_t>(i % kDistinct)].data(), kChunk);
  std::string hash = digest.Finish(static_cast<int64_t>(chunks) * kChunk);

  kvtest::StandInService service({"--session", "s1=bench", "--control", "--log-level", "WARN"});
  if (!service.Start()) {
    std::fprintf(stderr, "%s\n", service.error().c_str());
    return 1;
  }
  // The root (id 1) is made by the first listing.
  Client warm;
  curl_easy_setopt(
      warm.curl, CURLOPT_URL,
      (service.BaseUrl() + "/wbx/filebackup/getSubFilesAction.json?gSessionId=s1").c_str());
  curl_easy_setopt(warm.curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(warm.curl, CURLOPT_WRITEDATA, &warm.body);
  curl_easy_perform(warm.curl);

  TrivialSink trivialSink;
  if (!trivialSink.Start()) {
    std::fprintf(stderr, "the trivial sink did not start\n");
    return 1;
  }
  double trivial = Send("http://127.0.0.1:" + std::to_string(trivialSink.port()), chunks, data,
                        "/sink", 0, hash);
  trivialSink.Stop();
  double trivialCpu = trivialSink.CpuSeconds();

  double cpu0 = CpuSeconds(service.pid());
  double sink = Send(service.BaseUrl(), chunks, data, "/kvup-control/sink?gSessionId=s1", 0, hash);
  double cpu1 = CpuSeconds(service.pid());
  int64_t fid = InitUpload(service.BaseUrl(), chunks);
  double cpu2 = CpuSeconds(service.pid());
  double upload = fid > 0 ? Send(service.BaseUrl(), chunks, data, nullptr, fid, hash) : -1;
  double cpu3 = CpuSeconds(service.pid());
  if (trivial <= 0 || sink <= 0 || upload <= 0) return 1;
  double mib = static_cast<double>(chunks) * kChunk / 1048576.0;
  auto line = [&](const char* name, double wall, double cpu, const char* whose) {
    std::printf("%-15s %.3f s  %.1f us/chunk  %.0f MiB/s  %s CPU %.2f s\n", name, wall,
                wall * 1e6 / chunks, mib / wall, whose, cpu);
  };
  std::printf("chunks %d x 128 KiB (%.0f MiB), one keep-alive connection\n", chunks, mib);
  line("trivial sink:", trivial, trivialCpu, "sink thread");
  line("service sink:", sink, cpu1 - cpu0, "service");
  line("chunk endpoint:", upload, cpu3 - cpu2, "service");
  std::printf("ratio chunk/trivial: wall %.2f, CPU %.2f (target <= 2)\n", upload / trivial,
              (cpu3 - cpu2) / trivialCpu);
  std::printf("ratio chunk/service sink: wall %.2f\n", upload / sink);
  service.Stop();
  curl_global_cleanup();
  return 0;
}
