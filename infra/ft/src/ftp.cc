// Anonymous FTP retrieval: the control dialogue, an active-mode data connection, and
// the file written into the spool directory.
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "infra/svclog.h"
#include "private/ft_internal.h"

namespace {

// A reply (all its lines) longer than this is a broken or hostile server.
constexpr size_t kMaxReply = 16 * 1024;
constexpr int kMaxAddresses = 16;

void SetTimeouts(int fd) {
  struct timeval tv {
    FT__ftpTimeoutSeconds, 0
  };
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

// Sends one command line and reads its reply; the reply code, or -1. The line goes out
// with send() rather than through the output stream: a server that has hung up must
// fail the command, not raise SIGPIPE in a multi-threaded server.
int Command(FT_ftpConn *conn, const char *verb, const char *argument) {
  std::string line = verb;
  if (argument != nullptr) line.append(" ").append(argument);
  line += "\r\n";
  if (fflush(conn->out) != 0 || FT__SendAll(fileno(conn->out), line.data(), line.size()) != 0)
    return -1;
  return FTP_GetReply(conn) == 0 ? conn->reply : -1;
}

// Reads one line into line (NUL-terminated, CR LF removed); false at end of input, on
// a time-out or when the line does not fit.
bool ReadLine(FILE *in, char *line, size_t size, size_t *used) {
  size_t n = 0;
  for (;;) {
    int c = getc(in);
    if (c == EOF) return false;
    if (c == '\n') break;
    if (n + 1 >= size || *used + n >= kMaxReply) return false;
    line[n++] = static_cast<char>(c);
  }
  *used += n + 1;
  if (n > 0 && line[n - 1] == '\r') --n;
  line[n] = '\0';
  return true;
}

}  // namespace

int FTP_GetReply(FT_ftpConn *conn) {
  char line[1024];
  size_t used = 0;
  if (!ReadLine(conn->in, line, sizeof line, &used)) {
    conn->reply = 421;  // service not available: the server went away or misbehaved
    return 1;
  }
  // A reply starts with three digits, the first of them 1 to 5.
  if (strlen(line) < 3 || strspn(line, "0123456789") < 3 || line[0] < '1' || line[0] > '5') {
    LOG_COND_MESSAGE(kFtSevError, "FTP_GetReply: malformed reply\n");
    conn->reply = 421;
    return 1;
  }
  conn->reply = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
  // A multi-line reply ("123-") ends with the line that starts "123 ".
  if (line[3] == '-') {
    char last[4] = {line[0], line[1], line[2], ' '};
    do {
      if (!ReadLine(conn->in, line, sizeof line, &used)) {
        conn->reply = 421;
        return 1;
      }
    } while (strncmp(line, last, 4) != 0);
  }
  return 0;
}

int FTP__ConnectAddresses(FT_ftpConn *conn, const uint8_t (*addrs)[4], int count) {
  int fd = -1;
  for (int i = 0; i < count && fd < 0; ++i) {
    struct sockaddr_in sin {};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(static_cast<uint16_t>(FT__ftpPort));
    memcpy(&sin.sin_addr, addrs[i], 4);
    fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr *>(&sin), sizeof sin) != 0) {
      close(fd);
      fd = -1;
    }
  }
  if (fd < 0) {
    LOG_COND_MESSAGE(kFtSevError, "FTP_Connect: hostInfo->h_addr_list[0] is NULL\n");
    return 1;
  }
  SetTimeouts(fd);
  int fd2 = dup(fd);
  conn->socket = fd;
  conn->in = fdopen(fd, "r+");
  conn->out = fd2 < 0 ? nullptr : fdopen(fd2, "w");
  if (conn->in == nullptr || conn->out == nullptr) {
    LOG_COND_MESSAGE(kFtSevError, "FTP_Connect:  failed fdopen\n");
    if (conn->in == nullptr) close(fd);
    if (fd2 >= 0 && conn->out == nullptr) close(fd2);
    FTP__Close(conn);
    return 1;
  }
  int failed = FTP_GetReply(conn);
  LOG_COND_MESSAGE(kFtSevInfo, "FTP_Connect: Connection reply is %d\n", conn->reply);
  if (failed || conn->reply / 100 != 2) {
    FTP__Close(conn);
    return 1;
  }
  return 0;
}

int FTP_Connect(FT_ftpConn *conn, const char *host) {
  struct hostent he, *found = nullptr;
  char work[4096];
  int herr = 0;
  if (gethostbyname_r(host, &he, work, sizeof work, &found, &herr) != 0 || found == nullptr ||
      found->h_addrtype != AF_INET || found->h_addr_list[0] == nullptr) {
    LOG_COND_MESSAGE(kFtSevError, "FTP_Connect: hostInfo->h_addr_list[0] is NULL\n");
    return 1;
  }
  uint8_t addrs[kMaxAddresses][4];
  int count = 0;
  for (; count < kMaxAddresses && found->h_addr_list[count] != nullptr; ++count)
    memcpy(addrs[count], found->h_addr_list[count], 4);
  return FTP__ConnectAddresses(conn, addrs, count);
}

int FTP_AnonLogin(FT_ftpConn *conn) {
  int reply = Command(conn, "USER", "anonymous");
  LOG_COND_MESSAGE(kFtSevInfo, "FTP_AnonLogin: Anonymous login reply = %d\n", reply);
  if (reply == 331) {
    reply = Command(conn, "PASS", "vorara");
    LOG_COND_MESSAGE(kFtSevInfo, "FTP_AnonLogin: Anonymous passwd reply = %d\n", reply);
  }
  return reply / 100 == 2 ? 0 : 1;
}

int FTP_ChangeHostDir(FT_ftpConn *conn, const char *dir) {
  int reply = Command(conn, "CWD", dir);
  LOG_COND_MESSAGE(kFtSevInfo, "FTP_ChangeHostDir: Change dir reply = %d\n", reply);
  return reply / 100 == 2 ? 0 : 1;
}

int FTP_FileType(FT_ftpConn *conn) {
  int reply = Command(conn, "TYPE", "A");
  LOG_COND_MESSAGE(kFtSevInfo, "FTP_FileType: File Type reply = %d\n", reply);
  return reply / 100 == 2 ? 0 : 1;
}

int FTP_Quit(FT_ftpConn *conn) {
  int reply = Command(conn, "QUIT", nullptr);
  LOG_COND_MESSAGE(kFtSevInfo, "FTP_Quit: Quit reply = %d\n", reply);
  return reply / 100 == 2 ? 0 : 1;
}

void FTP__Close(FT_ftpConn *conn) {
  if (conn->in != nullptr) fclose(conn->in);
  if (conn->out != nullptr) fclose(conn->out);
  conn->in = conn->out = nullptr;
  conn->socket = -1;
}

namespace {

// Copies the data connection into out as it comes. The dialogue asks for ASCII type:
// the bytes are stored as the server sends them (a server that converts line ends
// sends LF as CR LF).
bool CopyData(int data, int out) {
  char block[64 * 1024];
  for (;;) {
    ssize_t n = read(data, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n == 0;
    if (FT__WriteAll(out, block, static_cast<size_t>(n)) != 0) return false;
  }
}

}  // namespace

int FTP_GetFile(FT_ftpConn *conn, const char *path, const char *destFile) {
  LOG_COND_MESSAGE(kFtSevInfo, "FTP_GetFile: Stream reply = %d\n", Command(conn, "MODE", "S"));
  LOG_COND_MESSAGE(kFtSevInfo, "FTP_GetFile: Struct reply = %d\n", Command(conn, "STRU", "F"));
  // The data connection comes back to the address the control connection uses: the
  // one address of this host the server is known to reach.
  struct sockaddr_in sin {};
  socklen_t len = sizeof sin;
  if (getsockname(conn->socket, reinterpret_cast<sockaddr *>(&sin), &len) != 0) return 1;
  int listenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int one = 1;
  sin.sin_port = 0;
  if (listenFd < 0 || setsockopt(listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
      bind(listenFd, reinterpret_cast<sockaddr *>(&sin), sizeof sin) != 0 ||
      getsockname(listenFd, reinterpret_cast<sockaddr *>(&sin), &len) != 0 ||
      listen(listenFd, 1) != 0) {
    if (listenFd >= 0) close(listenFd);
    return 1;
  }
  const uint8_t *a = reinterpret_cast<const uint8_t *>(&sin.sin_addr);
  unsigned port = ntohs(sin.sin_port);
  char portArg[64];
  snprintf(portArg, sizeof portArg, "%d,%d,%d,%d,%d,%d", a[0], a[1], a[2], a[3], port >> 8,
           port & 0xff);
  int reply = Command(conn, "PORT", portArg);
  LOG_COND_MESSAGE(kFtSevInfo, "FTP_GetFile: Port reply = %d\n", reply);
  reply = Command(conn, "RETR", path);
  LOG_COND_MESSAGE(kFtSevInfo, "FTP_GetFile: Retrieve reply = %d\n", reply);
  // 550 is the documented "no such file"; any other refusal also means no data comes.
  if (reply / 100 != 1) {
    close(listenFd);
    return 1;
  }
  struct pollfd p {
    listenFd, POLLIN, 0
  };
  int data = poll(&p, 1, FT__ftpTimeoutSeconds * 1000) == 1
                 ? accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC)
                 : -1;
  close(listenFd);
  if (data < 0) {
    LOG_COND_MESSAGE(kFtSevError, "FTP_GetFile: Can't accept dataSocket\n");
    return 1;
  }
  LOG_COND_MESSAGE(kFtSevInfo, "FTP_GetFile: socket_accept is %d\n", data);
  SetTimeouts(data);
  int out = open(destFile, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (out < 0) {
    LOG_COND_MESSAGE(kFtSevError, "FTP_GetFile: Can't open destination file\n");
    close(data);
    return 1;
  }
  bool ok = CopyData(data, out);
  close(data);
  if (close(out) != 0) ok = false;
  // The end of the data connection is also how a server that gave up looks: only the
  // transfer's completion reply tells the whole file arrived.
  if (FTP_GetReply(conn) != 0 || conn->reply / 100 != 2) ok = false;
  LOG_COND_MESSAGE(kFtSevInfo, "FTP_GetFile: Transfer reply = %d\n", conn->reply);
  if (!ok) unlink(destFile);
  return ok ? 0 : 1;
}

uint32_t AFTP_ReceiveFile(const FT_docId_t *doc, const FT_transferRef_t *ref, const char *spoolDir,
                          FT_receivedFile_t *result) {
  char *host = FT__CopyCounted(ref == nullptr ? nullptr : &ref->host);
  char *path = FT__CopyCounted(ref == nullptr ? nullptr : &ref->path);
  if (host == nullptr || path == nullptr) {
    LOG_COND_MESSAGE(kFtSevError, "AFTP_ReceiveFile: malloc failed \n");
    free(host);
    free(path);
    return FT_ST_FAILED;
  }
  uint32_t code = FT_ST_FAILED;
  char *name = nullptr;
  FT_ftpConn conn;
  if (FTP_Connect(&conn, host) != 0) {
    LOG_COND_MESSAGE(kFtSevError, "AFTP_ReceiveFile: failed to connect to %s\n", host);
  } else {
    if (FTP_AnonLogin(&conn) != 0) {
      LOG_COND_MESSAGE(kFtSevError, "AFTP_ReceiveFile: failed to anonymously login");
    } else {
      FTP_FileType(&conn);
      name = FT__GenerateFileName(spoolDir, doc, 0, &code);
      if (name != nullptr) code = FTP_GetFile(&conn, path, name) == 0 ? 0 : FT_ST_FAILED;
    }
    FTP_Quit(&conn);
    FTP__Close(&conn);
  }
  struct stat st;
  if (code == 0 && stat(name, &st) == 0) {
    result->fileName = name;
    result->fileSize = st.st_size;
    result->listenSocket = -1;
    name = nullptr;
  } else if (code == 0) {
    code = FT_ST_FAILED;
  }
  free(name);
  free(host);
  free(path);
  return code;
}
