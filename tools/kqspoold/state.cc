#include "state.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kq::spool {

void SetAttr(Attrs &attrs, Attr a) {
  for (Attr &have : attrs) {
    if (have.id == a.id) {
      have = std::move(a);
      return;
    }
  }
  attrs.push_back(std::move(a));
}

const Attr *FindAttr(const Attrs &attrs, uint32_t id) {
  for (const Attr &a : attrs)
    if (a.id == id) return &a;
  return nullptr;
}

bool LoadConfig(const std::string &path, Config *config, std::string *error) {
  std::ifstream in(path);
  if (!in) {
    *error = "cannot read " + path;
    return false;
  }
  std::string line;
  for (int n = 1; std::getline(in, line); ++n) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::string word, name, extra, queue;
    if (!(words >> word)) continue;
    bool ok = static_cast<bool>(words >> name);
    if (ok && word == "server") {
      config->server = name;
    } else if (ok && word == "printer") {
      if (words >> extra) ok = extra == "queue" && static_cast<bool>(words >> queue);
      if (ok) config->printers.emplace_back(name, queue);
    } else if (ok && word == "queue") {
      config->queues.push_back(name);
    } else if (ok && word == "list-limit") {
      char *end = nullptr;
      long limit = strtol(name.c_str(), &end, 10);
      ok = *end == '\0' && limit > 0;
      if (ok) config->listLimit = static_cast<size_t>(limit);
    } else {
      ok = false;
    }
    if (!ok || words >> extra) {
      *error = path + ":" + std::to_string(n) + ": cannot read \"" + line + "\"";
      return false;
    }
  }
  return true;
}

Server::Server(Config c) : config(std::move(c)) {
  for (const auto &[name, queue] : config.printers) {
    Printer &p = printers[name];
    p.name = name;
    p.queue = queue;
  }
}

Printer *Server::FindPrinter(const std::string &name) {
  auto it = printers.find(name);
  if (it != printers.end()) return &it->second;
  for (auto &[_, p] : printers)
    if (!p.queue.empty() && p.queue == name) return &p;
  return nullptr;
}

Job *Server::FindJob(const std::string &id) {
  auto it = jobs.find(id);
  return it == jobs.end() ? nullptr : &it->second;
}

std::vector<Job *> Server::JobsInOrder() {
  std::vector<Job *> out;
  out.reserve(jobs.size());
  for (auto &[_, j] : jobs) out.push_back(&j);
  std::sort(out.begin(), out.end(), [](const Job *a, const Job *b) { return a->order < b->order; });
  return out;
}

bool Server::WriteDocument(const Job &job, int number, const std::string &bytes) {
  if (config.spoolDir.empty()) return true;  // documents are accepted and dropped
  std::string path =
      config.spoolDir + "/job" + std::to_string(job.number) + "-doc" + std::to_string(number);
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return close(fd) == 0 && done == bytes.size();
}

void Server::TracePacket(int32_t op, const void *packet, size_t length) {
  if (config.traceDir.empty()) return;
  char name[64];
  snprintf(name, sizeof name, "/%06llu-op%d.ber", static_cast<unsigned long long>(++traced), op);
  std::string path = config.traceDir + name;
  if (FILE *f = fopen(path.c_str(), "wbe")) {
    if (length) fwrite(packet, 1, length, f);
    fclose(f);
  }
}

}  // namespace kq::spool
