// Upload throughput of kvup-upload against the stand-in service on loopback,
// beside a plain libcurl client that sends the same 128 KiB multipart chunks
// over one keep-alive connection; then three files at once, many small files,
// and the speed cap. Prints the figures and the ratios.
//
//   bench_upload [BUILD_DIR] [--mib N] [--cap-only]
#include <curl/curl.h>
#include <json/json.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/HttpCall.h"
#include "pipeline/ShaDigest.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string g_build = ".";
std::string g_url;

struct RunResult {
  double seconds = 0;
  double cpuSeconds = 0;
  int exitCode = -1;
};

RunResult RunProgram(std::vector<std::string> args) {
  RunResult r;
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  fflush(stdout);
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    freopen("/dev/null", "w", stdout);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  r.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                 (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

// The transfer rate that kvup-upload reports with its progress lines: from
// the first progress line to the end line, so start-up and the digest of the
// file are left out. -1 when the output holds no such pair.
double CappedRate(std::vector<std::string> args, int64_t size) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int pipeFd[2];
  if (pipe(pipeFd) != 0) return -1;
  fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFd[1], 1);
    close(pipeFd[0]);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipeFd[1]);
  FILE* in = fdopen(pipeFd[0], "r");
  char line[512];
  double firstAt = -1, endAt = -1;
  long long firstBytes = 0;
  const auto start = Clock::now();
  while (fgets(line, sizeof line, in)) {
    const double at = std::chrono::duration<double>(Clock::now() - start).count();
    long long done = 0, total = 0;
    const char* bytes = strstr(line, "% ");
    if (firstAt < 0 && bytes && sscanf(bytes, "%% %lld/%lld", &done, &total) == 2 && done > 0) {
      firstAt = at;
      firstBytes = done;
    }
    if (strstr(line, "fid ")) endAt = at;
  }
  fclose(in);
  waitpid(pid, nullptr, 0);
  if (firstAt < 0 || endAt <= firstAt) return -1;
  return static_cast<double>(size - firstBytes) / (endAt - firstAt);
}

pid_t StartService(const std::string& root) {
  int pipeFd[2];
  if (pipe(pipeFd) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFd[1], 1);
    freopen("/dev/null", "w", stderr);
    const std::string bin = g_build + "/kvup-service";
    execl(bin.c_str(), bin.c_str(), "--root", root.c_str(), "--port", "0", "--session", "s1=bench",
          "--log-level", "error", nullptr);
    _exit(127);
  }
  close(pipeFd[1]);
  char line[128] = {0};
  FILE* in = fdopen(pipeFd[0], "r");
  if (!fgets(line, sizeof line, in)) return -1;
  g_url = "http://127.0.0.1:" + std::to_string(atoi(line));
  return pid;
}

// Distinct seeds give distinct contents: the service would otherwise finish a
// copy of content it holds at the first chunk.
void WriteFile(const std::string& path, int64_t bytes, uint32_t seed) {
  std::ofstream out(path, std::ios::binary);
  std::vector<char> block(1 << 20);
  uint32_t x = seed;
  for (int64_t done = 0; done < bytes;) {
    for (char& c : block) c = static_cast<char>((x = x * 1103515245 + 12345) >> 8);
    const int64_t n = std::min<int64_t>(bytes - done, static_cast<int64_t>(block.size()));
    out.write(block.data(), n);
    done += n;
  }
}

size_t Collect(char* d, size_t s, size_t n, void* out) {
  static_cast<std::string*>(out)->append(d, s * n);
  return s * n;
}

// The plain client: init, then every chunk as one multipart POST.
double PlainClient(const std::string& path, int64_t size, int64_t pid) {
  std::string hash;
  int64_t ignored = 0;
  CShaDigest::OfFile(path, &hash, &ignored);
  CURL* h = curl_easy_init();
  std::string body;
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
  const std::string init =
      "gSessionId=s1&pid=" + std::to_string(pid) + "&name=plain.bin&size=" + std::to_string(size);
  const std::string initUrl = g_url + "/wbx/filebackup/breakPointUploadInitAction.json?";
  curl_easy_setopt(h, CURLOPT_URL, initUrl.c_str());
  curl_easy_setopt(h, CURLOPT_POSTFIELDS, init.c_str());
  curl_easy_perform(h);
  Json::Value root;
  std::istringstream(body) >> root;
  const int64_t fid = root["data"]["file"]["id"].asInt64();
  std::vector<char> chunk(131072);
  FILE* f = fopen(path.c_str(), "rb");
  const auto start = Clock::now();
  for (int64_t at = 0; at < size; at += 131072) {
    const size_t n = fread(chunk.data(), 1, chunk.size(), f);
    const std::string url =
        g_url +
        "/wbx/filebackup/breakPointUploadAction.json?gSessionId=s1&fid=" + std::to_string(fid) +
        "&breakPoint=" + std::to_string(at) + "&hash=" + hash + "&size=" + std::to_string(size);
    curl_mime* form = curl_mime_init(h);
    curl_mimepart* part = curl_mime_addpart(form);
    curl_mime_name(part, "file");
    curl_mime_filename(part, "plain.bin");
    curl_mime_data(part, chunk.data(), n);
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_MIMEPOST, form);
    body.clear();
    curl_easy_perform(h);
    curl_mime_free(form);
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  fclose(f);
  curl_easy_cleanup(h);
  return seconds;
}

int64_t RootId() {
  const kvtest::Reply r =
      kvtest::HttpCall(g_url).Get("/wbx/filebackup/getSubFilesAction.json?gSessionId=s1");
  return r.json["data"]["root"]["id"].asInt64();
}

RunResult Upload(const std::vector<std::string>& files, std::vector<std::string> extra = {}) {
  std::vector<std::string> args = {
      g_build + "/kvup-upload", "--service", g_url, "--session", "s1", "--quiet"};
  args.insert(args.end(), extra.begin(), extra.end());
  args.insert(args.end(), files.begin(), files.end());
  return RunProgram(args);
}

// One file beside the plain client, three at once, many small files.
void Throughput(const fs::path& dir, int64_t mib) {
  const int64_t bytes = mib << 20;
  const double gib = static_cast<double>(bytes) / (1 << 30);
  const std::string big = (dir / "big.bin").string();
  WriteFile(big, bytes, 1);
  const std::string other = (dir / "plain.bin").string();
  WriteFile(other, bytes, 2);

  const RunResult one = Upload({big});
  const double plain = PlainClient(other, bytes, RootId());
  printf("one file of %lld MiB: kvup-upload %.2f s (%.0f MB/s, %.2f CPU s/GiB, exit %d)\n",
         static_cast<long long>(mib), one.seconds, bytes / 1e6 / one.seconds, one.cpuSeconds / gib,
         one.exitCode);
  printf(
      "plain libcurl client, same chunks: %.2f s (%.0f MB/s); ratio %.2f (target <= 1.3; "
      "kvup-upload includes its digest of the file)\n",
      plain, bytes / 1e6 / plain, one.seconds / plain);

  std::vector<std::string> three;
  for (int i = 0; i < 3; ++i) {
    three.push_back((dir / ("three" + std::to_string(i))).string());
    WriteFile(three.back(), bytes + i, 10 + i);
  }
  const RunResult par = Upload(three);
  printf("three files at once: %.2f s (%.0f MB/s, %.2f CPU s/GiB, exit %d); ratio to one %.2f\n",
         par.seconds, 3 * bytes / 1e6 / par.seconds, par.cpuSeconds / (3 * gib), par.exitCode,
         par.seconds / one.seconds);
  for (const std::string& f : three) fs::remove(f);

  std::vector<std::string> small;
  for (int i = 0; i < 2000; ++i) {
    small.push_back((dir / ("s" + std::to_string(i))).string());
    WriteFile(small.back(), 65536, 100 + i);
  }
  const RunResult many = Upload(small);
  printf("2000 files of 64 KiB: %.2f s (%.0f files/s, exit %d)\n", many.seconds,
         2000 / many.seconds, many.exitCode);
}

// The speed cap on a 20 MB file.
void SpeedCap(const fs::path& dir) {
  const std::string capped = (dir / "capped.bin").string();
  WriteFile(capped, 20 * 1000 * 1000, 3);
  const int limitKb = 4096;
  const double rate = CappedRate({g_build + "/kvup-upload", "--service", g_url, "--session", "s1",
                                  "--speed-limit-kb", std::to_string(limitKb), capped},
                                 20 * 1000 * 1000) /
                      1024;
  printf(
      "speed cap %d KiB/s on 20 MB: %.0f KiB/s from the first progress line to the end (%+.1f%%) "
      "%s\n",
      limitKb, rate, 100 * (rate - limitKb) / limitKb,
      std::abs(rate - limitKb) <= 0.1 * limitKb ? "within 10%" : "OUTSIDE 10%");
}

}  // namespace

int main(int argc, char** argv) {
  int64_t mib = 1024;
  bool capOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--cap-only")
      capOnly = true;
    else if (a == "--mib" && i + 1 < argc)
      mib = atoll(argv[++i]);
    else
      g_build = a;
  }
  const fs::path dir = fs::temp_directory_path() / ("bench_upload." + std::to_string(getpid()));
  fs::create_directories(dir);
  const pid_t service = StartService((dir / "root").string());
  if (service < 0) {
    fprintf(stderr, "kvup-service did not start (build folder %s)\n", g_build.c_str());
    return 1;
  }
  curl_global_init(CURL_GLOBAL_ALL);
  if (!capOnly) Throughput(dir, mib);
  SpeedCap(dir);

  kill(service, SIGTERM);
  waitpid(service, nullptr, 0);
  fs::remove_all(dir);
  curl_global_cleanup();
  return 0;
}
