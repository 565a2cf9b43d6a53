// Transfer without a server: spool names, included content, file references, socket
// transfers (whole files and buffer-wise) over loopback, preprocessor versions.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <regex>
#include <thread>

#include "ft_test_util.h"
#include "kqtest.h"
#include "private/ft_internal.h"

using ft_test::Bytes;
using ft_test::Entries;
using kq::test::ReadFile;
using kq::test::TempDir;
using kq::test::WriteFile;

namespace {

// Keeps the waits of the transfer code short for a test and restores them.
struct ShortWaits {
  int accept = FT__acceptTimeoutSeconds, sleep = FT__retrySleepMs, waits = FT__fileRefWaits;
  ShortWaits() { FT__acceptTimeoutSeconds = 2, FT__retrySleepMs = 10, FT__fileRefWaits = 30; }
  ~ShortWaits() {
    FT__acceptTimeoutSeconds = accept, FT__retrySleepMs = sleep, FT__fileRefWaits = waits;
  }
};

class FtTest : public ::testing::Test {
 protected:
  TempDir top{"ft"};
  std::string spool = top / "spool";
  FT_docId_t doc{"job7", 3};
  ShortWaits waits;
  void SetUp() override { mkdir(spool.c_str(), 0700); }
  // The received file's bytes; the file is removed and its name released.
  static std::string Take(FT_receivedFile_t &got) {
    std::string bytes = ReadFile(got.fileName);
    unlink(got.fileName);
    free(got.fileName);
    return bytes;
  }
  // A reference to the file `path`.
  static FT_transferRef_t Ref(const std::string &path) {
    return {{0, nullptr}, {static_cast<int32_t>(path.size()), path.data()}};
  }
};

TEST_F(FtTest, JobIdsThatCannotNameASpoolFileAreRefusedAndCreateNothing) {
  const std::string longest(FT_MAX_JOB_ID, 'j');
  const uint32_t kRefused = FT_ST_NO_DOC_ID;
  // clang-format off
  const std::pair<std::string, uint32_t> cases[] = {
      {"job7", 0}, {longest, 0}, {"a.b-c_d", 0}, {"../outside", kRefused}, {"a/b", kRefused},
      {"x..y", kRefused}, {"..", kRefused}, {"", kRefused}, {longest + "j", kRefused}};
  // clang-format on
  kq::test::LogCapture log("E");
  for (const auto &[jobId, code] : cases) {
    SCOPED_TRACE(jobId);
    FT_docId_t id{jobId.c_str(), 1};
    FT_includedDoc_t content{1, 3, "abc"};
    FT_receivedFile_t got{};
    ASSERT_EQ(FT_ExternalToFile(&content, &id, spool.c_str(), &got), code);
    FT_receivedFile_t sock{};
    ASSERT_EQ(FT_RetrieveToFile(&id, nullptr, FT_METHOD_SOCKET, spool.c_str(), &sock), code);
    if (code == 0) {
      std::regex name(spool + "/ft_" + jobId + R"(\.1\.\d+\.\d+\.orig)");
      EXPECT_TRUE(std::regex_match(got.fileName, name)) << got.fileName;
      EXPECT_TRUE(std::regex_match(sock.fileName, name)) << sock.fileName;
      EXPECT_EQ(Take(got), "abc");
      free(sock.fileName);
      close(sock.listenSocket);
    }
    EXPECT_EQ(Entries(spool).size(), 0u);
    EXPECT_EQ(Entries(top.path()), std::vector<std::string>{"spool"});
  }
  EXPECT_NE(log.Text().find("job identifier refused for a spool name: jobId = ../outside"),
            std::string::npos)
      << log.Text();
}

TEST_F(FtTest, IncludedContentIsWrittenWholeByKind) {
  const uint32_t kBadKind = FT_ST_BAD_CONTENT_KIND;
  for (const auto &[kind, bytes, code] : {std::tuple<int32_t, std::string, uint32_t>{1, "", 0},
                                          {2, Bytes(100000), 0},
                                          {3, "x", kBadKind},
                                          {0, "x", kBadKind}}) {
    FT_includedDoc_t content{kind, static_cast<int32_t>(bytes.size()), bytes.data()};
    FT_receivedFile_t got{};
    ASSERT_EQ(FT_ExternalToFile(&content, &doc, spool.c_str(), &got), code) << kind;
    EXPECT_EQ(got.fileSize, static_cast<int64_t>(code ? 0 : bytes.size()));
    EXPECT_TRUE(code || Take(got) == bytes);
    EXPECT_TRUE(Entries(spool).empty());
  }
}

TEST_F(FtTest, FileReferencesCopyRegularFilesOnly) {
  std::string data = Bytes(3 * 4096 + 5);
  WriteFile(top / "doc", data);
  mkfifo((top / "fifo").c_str(), 0600);
  mkdir((top / "dir").c_str(), 0700);
  for (const auto &[path, code] : {std::pair{top / "doc", 0u},
                                   {top / "missing", FT_ST_FAILED},
                                   {top / "fifo", FT_ST_FAILED},
                                   {top / "dir", FT_ST_FAILED}}) {
    SCOPED_TRACE(path);
    FT_transferRef_t ref = Ref(path);
    FT_receivedFile_t got{};
    ASSERT_EQ(FT_RetrieveToFile(&doc, &ref, FT_METHOD_FILE_REFERENCE, spool.c_str(), &got), code);
    struct stat st {};
    EXPECT_TRUE(code || (stat(got.fileName, &st) == 0 && (st.st_mode & 0777) == 0600));
    EXPECT_TRUE(code || Take(got) == data);
    EXPECT_TRUE(Entries(spool).empty());
    // The buffer-wise reader refuses the same references with the transfer code.
    FT_buffer_t buf{};
    uint32_t buffered = FT_BufferInit(&doc, nullptr, &ref, FT_METHOD_FILE_REFERENCE, 4096,
                                      FT_DIRECTION_RECEIVE, &buf, 1);
    EXPECT_EQ(buffered, code == 0 ? 0u : FT_ST_TRANSFER_FAILED);
    EXPECT_TRUE(buffered || FT_Finish(&doc, &buf, 1) == 0);
  }
  // An unreadable file; as another user when the test runs as root, who reads anything.
  std::string secret = top / "secret";
  WriteFile(secret, "s");
  chmod(secret.c_str(), 0);
  chmod(top.path().c_str(), 0755);
  chmod(spool.c_str(), 0777);
  auto attempt = [&] {
    FT_transferRef_t ref = Ref(secret);
    FT_receivedFile_t got{};
    return std::to_string(
        FT_RetrieveToFile(&doc, &ref, FT_METHOD_FILE_REFERENCE, spool.c_str(), &got));
  };
  EXPECT_EQ(getuid() == 0 ? kq::test::RunAs(65534, 65534, attempt) : attempt(),
            std::to_string(FT_ST_FAILED));
  EXPECT_TRUE(Entries(spool).empty());
}

TEST_F(FtTest, FileReferenceInPlaceWaitsForTheFileToAppear) {
  std::string path = top / "late";
  FT_transferRef_t ref = Ref(path);
  for (bool appears : {true, false}) {
    std::thread writer([&] {
      if (!appears) return;
      usleep(100 * 1000);  // about 10 sleeps of the reader
      WriteFile(path, "late data");
    });
    FT_buffer_t buf{};
    uint32_t code = FT_BufferInit(&doc, nullptr, &ref, FT_METHOD_FILE_REFERENCE, 64,
                                  FT_DIRECTION_RECEIVE, &buf, 1);
    writer.join();
    ASSERT_EQ(code, appears ? 0u : FT_ST_TRANSFER_FAILED);
    if (!appears) continue;
    ASSERT_EQ(FT_RetrieveToBuffer(&doc, &buf), 0u);
    EXPECT_EQ(std::string(buf.buffer, buf.fill), "late data");
    ASSERT_EQ(FT_RetrieveToBuffer(&doc, &buf), 0u);
    EXPECT_EQ(buf.fill, 0);
    EXPECT_EQ(FT_Finish(&doc, &buf, 1), 0u);
    unlink(path.c_str());
  }
}

// Every receiver (its own thread, the caller's, buffer by buffer) with every sender (a
// file, buffer by buffer) around the buffer size.
TEST_F(FtTest, SocketTransferDeliversEveryByteToEveryReceiverFromEverySender) {
  const size_t kBuf = 4096;
  enum Receiver { kOwnThread, kCallerThread, kBuffers };
  for (size_t size : {size_t{0}, size_t{1}, kBuf, kBuf + 1, 10 * kBuf + 3, 2 * (kBuf << 8) + 7}) {
    for (Receiver receiver : {kOwnThread, kCallerThread, kBuffers}) {
      for (bool fromFile : {true, false}) {
        SCOPED_TRACE(std::to_string(size) + " receiver " + std::to_string(receiver) +
                     (fromFile ? " from a file" : " from buffers"));
        std::string data = Bytes(size, static_cast<uint32_t>(size));
        WriteFile(top / "src", data);
        FT_receivedFile_t file{};
        FT_buffer_t in{};
        if (receiver == kBuffers) {
          ASSERT_EQ(FT_BufferInit(&doc, nullptr, nullptr, FT_METHOD_SOCKET, kBuf,
                                  FT_DIRECTION_RECEIVE, &in, 1),
                    0u);
        } else {
          ASSERT_EQ(FT_RetrieveToFile(&doc, nullptr, FT_METHOD_SOCKET, spool.c_str(), &file), 0u);
        }
        FT_transferAddress_t to = receiver == kBuffers ? in.address : file.address;
        ASSERT_EQ(to.kind, FT_ADDRESS_SOCKET);
        uint32_t sent = 1;
        std::thread sender([&] {
          if (fromFile) {
            sent = FT_FileToSend(&doc, &to, (top / "src").c_str(), FT_METHOD_SOCKET);
            return;
          }
          FT_buffer_t out{};
          sent =
              FT_BufferInit(&doc, &to, nullptr, FT_METHOD_SOCKET, kBuf, FT_DIRECTION_SEND, &out, 1);
          for (size_t off = 0; sent == 0 && off < size; off += kBuf) {
            out.fill = static_cast<int32_t>(std::min<size_t>(kBuf, size - off));
            memcpy(out.buffer, data.data() + off, out.fill);
            sent = FT_BufferToSend(&doc, &out);
          }
          if (sent == 0) sent = FT_Finish(&doc, &out, 1);
        });
        std::string got;
        uint32_t received = 0;
        if (receiver == kBuffers) {
          do {
            received = FT_RetrieveToBuffer(&doc, &in);
            got.append(in.buffer, received == 0 ? in.fill : 0);
          } while (received == 0 && in.fill > 0);
          EXPECT_EQ(FT_Finish(&doc, &in, 1), 0u);
        } else if (receiver == kOwnThread) {
          THR_thread_t thread;
          ASSERT_EQ(FT_SocketServer(&doc, &file, &thread), 0u);
          void *status = nullptr;
          THR_JoinThread(&thread, &status);
          received = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(status));
        } else {
          received = FT_SocketServer(&doc, &file, nullptr);
          EXPECT_EQ(file.fileSize, static_cast<int64_t>(size));
        }
        sender.join();
        EXPECT_EQ(sent, 0u);
        ASSERT_EQ(received, 0u);
        if (receiver != kBuffers) {
          EXPECT_EQ(Entries(spool).size(), 1u);
          got = Take(file);
        }
        EXPECT_TRUE(got == data);
      }
    }
  }
}

TEST_F(FtTest, FailedSocketReceiveLeavesNoFile) {
  FT__acceptTimeoutSeconds = 1;
  for (bool connects : {false, true}) {
    SCOPED_TRACE(connects ? "sender disappears mid-transfer" : "sender never connects");
    FT_receivedFile_t got{};
    ASSERT_EQ(FT_RetrieveToFile(&doc, nullptr, FT_METHOD_SOCKET, spool.c_str(), &got), 0u);
    FT_transferAddress_t to = got.address;
    std::thread peer([&] {
      if (!connects) return;
      int fd = FT__Connect("test", &to);
      std::string part = Bytes(200000);
      (void)!write(fd, part.data(), part.size());
      struct linger reset {
        1, 0
      };  // as when the peer's process dies
      setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
      close(fd);
    });
    EXPECT_EQ(FT_SocketServer(&doc, &got, nullptr), FT_ST_TRANSFER_FAILED);
    peer.join();
    EXPECT_TRUE(Entries(spool).empty());
    free(got.fileName);
  }
}

TEST_F(FtTest, SenderRetriesUntilTheReceiverListensThenGivesUp) {
  FT_transferAddress_t address{};
  int probe = FT__Listen("test", &address);
  close(probe);  // a port nobody listens on now
  WriteFile(top / "src", "x");
  kq::test::LogCapture log("I");
  EXPECT_EQ(FT_FileToSend(&doc, &address, (top / "src").c_str(), FT_METHOD_SOCKET), FT_ST_FAILED);
  EXPECT_NE(log.Text().find("Socket_ClientFile: connect failed: retry #5"), std::string::npos);
  EXPECT_EQ(log.Text().find("retry #6"), std::string::npos);
}

TEST_F(FtTest, PreprocessorsReadTheLatestVersionAndWriteTheNext) {
  std::string orig = spool + "/ft_job7.3.1.2.orig";
  WriteFile(orig, "original text");
  // Round 1 reads the original (no ".prev" yet); round 2 reads round 1's result.
  const char *rounds[][2] = {{"original text", "ORIGINAL text"},
                             {"ORIGINAL text", "modified text"}};
  for (auto &round : rounds) {
    FT_ppFile_t in{}, out{};
    ASSERT_EQ(FT_PPStartGetDataBuffer(&doc, spool.c_str(), orig.c_str(), nullptr, &in), 0u);
    ASSERT_EQ(FT_PPStartSetDataBuffer(&doc, spool.c_str(), &out), 0u);
    char head[9];
    int32_t got = 0;
    ASSERT_EQ(FT_PPGetDataBuffer(&doc, &in, head, sizeof head, &got), 0u);
    ASSERT_EQ(std::string(head, got), std::string(round[0], 9));
    std::string upper(round[1], 9);
    ASSERT_EQ(FT_PPSetDataBuffer(&doc, &out, upper.data(), got, 0), 0u);
    ASSERT_EQ(FT_PPAppendFileRemainder(&doc, &in, &out), 0u);
    free(in.path);
    free(out.path);
    EXPECT_EQ(ReadFile(spool + "/ft_job7.3.prev"), round[1]);
    EXPECT_EQ(Entries(spool), (std::vector<std::string>{"ft_job7.3.1.2.orig", "ft_job7.3.prev"}));
  }
  FT_ppFile_t in{};
  FT_docId_t other{"nojob", 1};
  EXPECT_EQ(FT_PPStartGetDataBuffer(&other, spool.c_str(), nullptr, nullptr, &in),
            FT_ST_NO_CONTENT);
}

}  // namespace
