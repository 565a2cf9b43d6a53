// The socket method: a listening socket whose port is published to the sender, the
// receiver that writes the spool file (in the caller's thread or one of its own), and
// the sender.
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/utsname.h>
#include <unistd.h>

#include "infra/svclog.h"
#include "private/ft_internal.h"

namespace {

// Data move in blocks this big; nothing on the wire depends on it (the end of the data
// is the end of the connection).
constexpr size_t kBlock = 64 * 1024;

// The IPv4 address the sender should use: this host's name, else loopback.
void OwnAddress(FT_transferAddress_t *address) {
  uint32_t loopback = htonl(INADDR_LOOPBACK);
  memcpy(address->addr, &loopback, 4);
  struct utsname un;
  if (uname(&un) != 0) return;
  struct hostent he, *found = nullptr;
  char work[2048];
  int herr = 0;
  if (gethostbyname_r(un.nodename, &he, work, sizeof work, &found, &herr) == 0 && found &&
      found->h_addrtype == AF_INET && found->h_addr_list[0] != nullptr) {
    memcpy(address->addr, found->h_addr_list[0], 4);
  }
}

}  // namespace

int FT__Listen(const char *who, FT_transferAddress_t *address) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    LOG_COND_MESSAGE(kFtSevError, "%s: socket call failed\n", who);
    return -1;
  }
  struct sockaddr_in sin {};
  sin.sin_family = AF_INET;
  sin.sin_addr.s_addr = htonl(INADDR_ANY);
  socklen_t len = sizeof sin;
  if (bind(fd, reinterpret_cast<sockaddr *>(&sin), sizeof sin) != 0 || listen(fd, 5) != 0) {
    LOG_COND_MESSAGE(kFtSevError, "%s: bind call failed\n", who);
    close(fd);
    return -1;
  }
  if (getsockname(fd, reinterpret_cast<sockaddr *>(&sin), &len) != 0) {
    LOG_COND_MESSAGE(kFtSevError, "%s: getsockname call failed\n", who);
    close(fd);
    return -1;
  }
  *address = FT_transferAddress_t{};
  address->kind = FT_ADDRESS_SOCKET;
  address->port = ntohs(sin.sin_port);
  address->addrLength = 4;
  OwnAddress(address);
  return fd;
}

int FT__Connect(const char *who, const FT_transferAddress_t *address) {
  struct sockaddr_in sin {};
  sin.sin_family = AF_INET;
  sin.sin_port = htons(address->port);
  memcpy(&sin.sin_addr, address->addr, 4);
  for (int attempt = 1;; ++attempt) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<sockaddr *>(&sin), sizeof sin) == 0) {
      // Closing must wait for the data to leave, or the receiver sees a short file.
      struct linger lg {
        1, 100
      };
      setsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
      return fd;
    }
    LOG_COND_MESSAGE(kFtSevError, "%s: connect failed: errno = %d\n", who, errno);
    close(fd);
    if (attempt >= FT__connectAttempts) return -1;
    FT__ThreadSleep(FT__retrySleepMs);
    LOG_COND_MESSAGE(kFtSevInfo, "%s: connect failed: retry #%d\n", who, attempt);
  }
}

int FT__Accept(int listenFd) {
  struct pollfd p {
    listenFd, POLLIN, 0
  };
  int n;
  do {
    n = poll(&p, 1, FT__acceptTimeoutSeconds * 1000);
  } while (n < 0 && errno == EINTR);
  if (n == 0) {
    LOG_COND_MESSAGE(kFtSevError, "SocketAccept: socket transfer timeout\n");
    return -1;
  }
  if (n < 0) {
    LOG_COND_MESSAGE(kFtSevError, "SocketAccept: socket transfer select error\n");
    return -1;
  }
  return accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
}

uint32_t Socket_ServerFile(const FT_docId_t *doc, const char *spoolDir, FT_receivedFile_t *result) {
  uint32_t code = 0;
  char *tmpName = FT__GenerateFileName(spoolDir, doc, 1, &code);
  if (tmpName == nullptr) return code;
  FT_transferAddress_t address;
  int fd = FT__Listen("Socket_ServerFile", &address);
  if (fd < 0) {
    free(tmpName);
    return FT_ST_FAILED;
  }
  LOG_COND_MESSAGE(kFtSevInfo, "Socket_ServerFile:  port = %d\n", address.port);
  unlink(tmpName);
  tmpName[strlen(tmpName) - 4] = '\0';  // the final name: without ".tmp"
  unlink(tmpName);
  result->fileName = tmpName;
  result->fileSize = 0;
  result->address = address;
  result->listenSocket = fd;
  return 0;
}

namespace {

struct ReceiveJob {
  char *jobId;
  int32_t docNum;
  char *destFile;
  int listenFd;
  int64_t size;
};

uint32_t SocketAcceptToFile(ReceiveJob *job) {
  size_t n = strlen(job->destFile);
  char *tmpName = static_cast<char *>(malloc(n + 5));
  if (tmpName == nullptr) return FT_ST_NO_MEMORY;
  memcpy(tmpName, job->destFile, n);
  memcpy(tmpName + n, ".tmp", 5);
  bool ok = false;
  int conn = FT__Accept(job->listenFd);
  int out = conn < 0 ? -1 : open(tmpName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (out >= 0) {
    char *block = static_cast<char *>(malloc(kBlock));
    ok = block != nullptr;
    while (ok) {
      ssize_t got = read(conn, block, kBlock);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        LOG_COND_MESSAGE(kFtSevError, "SocketAcceptToFile: I/O Error on read fd=%d err=%d", conn,
                         errno);
        ok = false;
      } else if (got == 0) {
        break;
      } else if (FT__WriteAll(out, block, static_cast<size_t>(got)) != 0) {
        LOG_COND_MESSAGE(kFtSevError, "SocketAcceptToFile2: write failed for job = %s, doc = %d\n",
                         job->jobId, job->docNum);
        ok = false;
      } else {
        job->size += got;
      }
    }
    free(block);
    if (close(out) != 0) ok = false;
  }
  if (conn >= 0) close(conn);
  if (ok && rename(tmpName, job->destFile) != 0) ok = false;
  if (!ok) {
    LOG_COND_MESSAGE(kFtSevError, "SocketAcceptToFile2: failed to transfer!\n");
    unlink(tmpName);
  }
  free(tmpName);
  return ok ? 0 : FT_ST_TRANSFER_FAILED;
}

void FreeJob(ReceiveJob *job) {
  if (job->listenFd >= 0) close(job->listenFd);
  free(job->jobId);
  free(job->destFile);
  free(job);
}

void *SocketAcceptToFile_ThreadWork(void *argument) {
  auto *job = static_cast<ReceiveJob *>(argument);
  uint32_t code = SocketAcceptToFile(job);
  FreeJob(job);
  return reinterpret_cast<void *>(static_cast<uintptr_t>(code));
}

}  // namespace

extern "C" uint32_t FT_SocketServer(const FT_docId_t *doc, FT_receivedFile_t *result,
                                    THR_thread_t *threadOut) {
  LOG_COND_FUNC_TRACE("FT_SocketServer", 1, nullptr);
  uint32_t code = FT__CheckDocId("FT_SocketServer", doc);
  if (code == 0 && (result == nullptr || result->fileName == nullptr || result->listenSocket < 0))
    code = FT_ST_FAILED;
  if (code == 0) {
    auto *job = static_cast<ReceiveJob *>(calloc(1, sizeof(ReceiveJob)));
    if (job == nullptr) {
      LOG_COND_MESSAGE(kFtSevError, "SocketAcceptToFile_ThreadLaunch: malloc failed\n");
      code = FT_ST_NO_MEMORY;
    } else {
      job->jobId = strdup(doc->jobId);
      job->docNum = doc->docNum;
      job->destFile = strdup(result->fileName);
      job->listenFd = result->listenSocket;
      result->listenSocket = -1;  // the job owns it now
      if (job->jobId == nullptr || job->destFile == nullptr) {
        LOG_COND_MESSAGE(kFtSevError,
                         "SocketAcceptToFile_ThreadLaunch: strdup of destFile failed\n");
        FreeJob(job);
        code = FT_ST_NO_MEMORY;
      } else if (threadOut == nullptr) {
        code = SocketAcceptToFile(job);
        result->fileSize = job->size;
        FreeJob(job);
      } else if (THR_StartThread(SocketAcceptToFile_ThreadWork, job, 0, THR_PRIORITY_NORMAL, 0,
                                 threadOut) != 0) {
        LOG_COND_MESSAGE(kFtSevError, "SocketAcceptToFile_ThreadLaunch: THR_StartThread failed\n");
        FreeJob(job);
        code = FT_ST_FAILED;
      }
    }
  }
  LOG_COND_FUNC_TRACE("FT_SocketServer", 0, nullptr);
  return code;
}

uint32_t Socket_ClientFile(const FT_docId_t *doc, const FT_transferAddress_t *address,
                           const char *path) {
  (void)doc;
  if (address == nullptr || address->kind != FT_ADDRESS_SOCKET || address->addrLength != 4) {
    LOG_COND_MESSAGE(kFtSevError, "Socket_ClientFile: no RPC address\n");
    return FT_ST_FAILED;
  }
  int in = path == nullptr ? -1 : open(path, O_RDONLY | O_CLOEXEC);
  if (in < 0) return FT_ST_FAILED;
  int fd = FT__Connect("Socket_ClientFile", address);
  if (fd < 0) {
    close(in);
    return FT_ST_FAILED;
  }
  char *block = static_cast<char *>(malloc(kBlock));
  bool ok = block != nullptr;
  bool retried = false;
  while (ok) {
    ssize_t n = read(in, block, kBlock);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && !retried) {
      LOG_COND_MESSAGE(kFtSevInfo, "Socket_ClientFile: retrying read...\n");
      retried = true;
      continue;
    }
    if (n < 0) {
      LOG_COND_MESSAGE(kFtSevError, "Socket_ClientFile: giving up on read...\n");
      ok = false;
    } else if (n == 0) {
      break;
    } else if (FT__SendAll(fd, block, static_cast<size_t>(n)) != 0) {
      LOG_COND_MESSAGE(kFtSevError, "Socket_ClientFile: I/O Error on write fd=%d err=%d", fd,
                       errno);
      ok = false;
    }
  }
  free(block);
  close(in);
  if (!ok) {
    // A reset tells the receiver the data are incomplete; an orderly close would not.
    struct linger lg {
      1, 0
    };
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
  }
  if (close(fd) != 0) ok = false;
  return ok ? 0 : FT_ST_FAILED;
}
