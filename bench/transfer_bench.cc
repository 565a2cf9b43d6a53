// Document transfer, each side by side with a baseline in the same run:
// - BM_SocketTransfer: 1 GiB from a file through FT_FileToSend to FT_SocketServer over
//   loopback, against a plain read/write copy loop over a loopback TCP connection
//   (file to socket, socket to file, same block size);
// - BM_FtpRetrieval: 100 MiB by anonymous FTP from the loopback pyftpdlib server
//   (test/ftp/ftp_server.py, started here), against curl fetching the same file from
//   the same server with the same dialogue (ASCII type, active mode).
// Counter over_baseline: libkqcore's throughput over the baseline's.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "infra/ft.h"
#include "private/ft_internal.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kBlock = 64 * 1024;

// A scratch directory, removed with everything in it at exit.
struct ScratchDir {
  std::string path;
  ScratchDir() {
    char pattern[] = "/tmp/kqftbench.XXXXXX";
    path = mkdtemp(pattern);
  }
  ~ScratchDir() { std::filesystem::remove_all(path); }
};
std::string Scratch() {
  static ScratchDir dir;
  return dir.path;
}

void MakeFile(const std::string &path, size_t size) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && static_cast<size_t>(st.st_size) == size) return;
  std::vector<char> block(1 << 20);
  uint32_t x = 12345;
  FILE *f = fopen(path.c_str(), "wb");
  for (size_t done = 0; done < size; done += block.size()) {
    for (auto &c : block) {
      x ^= x << 13, x ^= x >> 17, x ^= x << 5;
      c = static_cast<char>(x >> 24);
      if (c == '\n' || c == '\r') c = ' ';  // ASCII type would change line ends
    }
    fwrite(block.data(), 1, std::min(block.size(), size - done), f);
  }
  fclose(f);
}

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

// The baseline: file -> socket -> file with plain read and write calls.
double PlainCopy(const std::string &src, const std::string &dst) {
  int lfd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sin{};
  sin.sin_family = AF_INET;
  sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof sin;
  bind(lfd, reinterpret_cast<sockaddr *>(&sin), sizeof sin);
  listen(lfd, 1);
  getsockname(lfd, reinterpret_cast<sockaddr *>(&sin), &len);
  auto start = Clock::now();
  std::thread sender([&] {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    connect(s, reinterpret_cast<sockaddr *>(&sin), sizeof sin);
    int in = open(src.c_str(), O_RDONLY);
    std::vector<char> b(kBlock);
    ssize_t n;
    while ((n = read(in, b.data(), b.size())) > 0) (void)!write(s, b.data(), n);
    close(in);
    close(s);
  });
  int c = accept(lfd, nullptr, nullptr);
  int out = open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char> b(kBlock);
  ssize_t n;
  while ((n = read(c, b.data(), b.size())) > 0) (void)!write(out, b.data(), n);
  close(out);
  close(c);
  sender.join();
  auto end = Clock::now();
  close(lfd);
  unlink(dst.c_str());
  return Seconds(start, end);
}

double KqSocket(const std::string &src, const std::string &spool) {
  FT_docId_t doc{"bench", 1};
  FT_receivedFile_t got{};
  auto start = Clock::now();
  if (FT_RetrieveToFile(&doc, nullptr, FT_METHOD_SOCKET, spool.c_str(), &got) != 0) return -1;
  FT_transferAddress_t to = got.address;
  uint32_t sent = 1;
  std::thread sender([&] { sent = FT_FileToSend(&doc, &to, src.c_str(), FT_METHOD_SOCKET); });
  uint32_t received = FT_SocketServer(&doc, &got, nullptr);
  sender.join();
  auto end = Clock::now();
  unlink(got.fileName);
  free(got.fileName);
  return sent == 0 && received == 0 ? Seconds(start, end) : -1;
}

void BM_SocketTransfer(benchmark::State &state) {
  const size_t kSize = size_t{1} << 30;
  std::string src = Scratch() + "/gib", spool = Scratch() + "/spool";
  MakeFile(src, kSize);
  mkdir(spool.c_str(), 0700);
  double ours = 0, base = 0;
  for (auto _ : state) {
    // Alternate which goes first, so that neither always meets the other's writeback.
    double k, p;
    if (state.iterations() % 2 == 0) {
      k = KqSocket(src, spool), p = PlainCopy(src, spool + "/plain");
    } else {
      p = PlainCopy(src, spool + "/plain"), k = KqSocket(src, spool);
    }
    if (k < 0) return state.SkipWithError("socket transfer failed");
    ours += k, base += p;
    state.SetIterationTime(k);
  }
  double mib = static_cast<double>(kSize) / (1 << 20) * state.iterations();
  state.counters["kq_MiB_per_s"] = mib / ours;
  state.counters["plain_MiB_per_s"] = mib / base;
  state.counters["over_baseline"] = base / ours;
  unlink(src.c_str());
}
BENCHMARK(BM_SocketTransfer)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// The FTP server of the tests, started for this benchmark and stopped after it.
struct FtpServer {
  pid_t pid = -1;
  int port = 0;
  std::string root = Scratch() + "/root";
  FtpServer() {
    mkdir(root.c_str(), 0700);
    std::string ports = Scratch() + "/ports";
    unlink(ports.c_str());
    pid = fork();
    if (pid == 0) {
      int null = open("/dev/null", O_WRONLY);
      dup2(null, 2);
      execl("/usr/bin/python3", "python3", KQ_SOURCE_DIR "/test/ftp/ftp_server.py", root.c_str(),
            ports.c_str(), static_cast<char *>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 100 && port == 0; ++i) {
      usleep(100 * 1000);
      std::ifstream in(ports);
      std::string name;
      int p;
      while (in >> name >> p)
        if (name == "anon") port = p;
    }
  }
  ~FtpServer() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }
};

void BM_FtpRetrieval(benchmark::State &state) {
  const size_t kSize = size_t{100} << 20;
  FtpServer server;
  if (server.port == 0)
    return state.SkipWithError("the FTP server (python3-pyftpdlib) did not start");
  MakeFile(server.root + "/big.bin", kSize);
  std::string spool = Scratch() + "/spool";
  mkdir(spool.c_str(), 0700);
  FT__ftpPort = server.port;
  std::string curl = "curl -s -B --ftp-port 127.0.0.1 -o " + Scratch() +
                     "/curl.out ftp://127.0.0.1:" + std::to_string(server.port) + "/big.bin";
  static const char kHost[] = "127.0.0.1", kPath[] = "big.bin";
  FT_transferRef_t ref{{9, kHost}, {7, kPath}};
  FT_docId_t doc{"bench", 2};
  double ours = 0, base = 0;
  for (auto _ : state) {
    FT_receivedFile_t got{};
    auto a = Clock::now();
    uint32_t code = FT_RetrieveToFile(&doc, &ref, FT_METHOD_ANONYMOUS_FTP, spool.c_str(), &got);
    auto b = Clock::now();
    int rc = system(curl.c_str());
    auto c = Clock::now();
    // curl is timed as a whole program (start-up included), which favours libkqcore by a
    // few milliseconds per 100 MiB.
    if (code != 0 || got.fileSize != static_cast<int64_t>(kSize))
      return state.SkipWithError("FTP retrieval failed");
    if (rc != 0) return state.SkipWithError("curl failed");
    unlink(got.fileName);
    free(got.fileName);
    ours += Seconds(a, b), base += Seconds(b, c);
    state.SetIterationTime(Seconds(a, b));
  }
  double mib = static_cast<double>(kSize) / (1 << 20) * state.iterations();
  state.counters["kq_MiB_per_s"] = mib / ours;
  state.counters["curl_MiB_per_s"] = mib / base;
  state.counters["over_baseline"] = base / ours;
}
BENCHMARK(BM_FtpRetrieval)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
