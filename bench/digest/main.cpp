// Digest throughput on a 1 GiB file from the page cache: kvup-digest against
// sha256sum and against a plain loop that hashes 128 KiB chunks with OpenSSL.
#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr size_t kChunk = 131072;
constexpr size_t kSize = size_t{1} << 30;

double Seconds(const std::chrono::steady_clock::time_point& since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double TimeCommand(const std::string& command) {
  auto t0 = std::chrono::steady_clock::now();
  if (std::system((command + " > /dev/null").c_str()) != 0) return -1;
  return Seconds(t0);
}

double TimePlainLoop(const std::string& path) {
  auto t0 = std::chrono::steady_clock::now();
  int fd = ::open(path.c_str(), O_RDONLY);
  std::vector<unsigned char> buf(kChunk);
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  for (ssize_t n; (n = ::read(fd, buf.data(), buf.size())) > 0;)
    EVP_Digest(buf.data(), static_cast<size_t>(n), md, &len, EVP_sha256(), nullptr);
  ::close(fd);
  return Seconds(t0);
}

}  // namespace

int main() {
  std::string path = "/tmp/kvup-bench-digest-" + std::to_string(::getpid());
  {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 2654435761u >> 13);
    for (size_t done = 0; done < kSize; done += block.size()) {
      block[0] = static_cast<char>(done >> 20);
      if (::write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) return 1;
    }
    ::close(fd);
  }
  TimePlainLoop(path);  // warm the page cache
  double mb = static_cast<double>(kSize) / 1e6;
  double plain = TimePlainLoop(path);
  double tool = TimeCommand(std::string(KVUP_BUILD_DIR) + "/kvup-digest " + path);
  double shasum = TimeCommand("sha256sum " + path);
  ::unlink(path.c_str());
  std::printf("plain OpenSSL loop: %.0f MB/s\n", mb / plain);
  std::printf("kvup-digest:        %.0f MB/s (%.2f of the plain loop; target 0.9)\n", mb / tool,
              plain / tool);
  std::printf("sha256sum:          %.0f MB/s (%.2f of the plain loop)\n", mb / shasum,
              plain / shasum);
  return 0;
}
