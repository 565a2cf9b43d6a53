// Internal interfaces of the transfer family: spool names, the receive methods, the
// FTP dialogue, socket helpers and the tunables tests shorten.
#ifndef KQ_INFRA_FT_INC_PRIVATE_FT_INTERNAL_H
#define KQ_INFRA_FT_INC_PRIVATE_FT_INTERNAL_H

#include <stdint.h>
#include <stdio.h>

#include "infra/ft.h"

// Severities of the family's traces.
inline constexpr int kFtSevError = 1;  // failures
inline constexpr int kFtSevInfo = 6;   // ports, replies, file names

// Tunables (seconds, milliseconds, counts); defaults are the documented values.
extern int FT__acceptTimeoutSeconds;  // 600: a socket receiver waits this long
extern int FT__connectAttempts;       // 6: socket connect attempts, 1 s apart
extern int FT__retrySleepMs;          // 1000: sleep between connect or rename retries
extern int FT__fileRefWaits;          // 300: sleeps waiting for a referenced file
extern int FT__ftpPort;               // 21
extern int FT__ftpTimeoutSeconds;     // 60: an FTP peer silent this long has failed

// Spool names (malloc'ed, or null). GenerateFileName: a new received document;
// ExtractFileName: a version of a document; AppendExtension: base + ending.
// A job identifier that is empty, too long or contains "/" or ".." gives null and
// *code FT_ST_NO_DOC_ID; other failures FT_ST_FAILED.
char *FT__GenerateFileName(const char *spoolDir, const FT_docId_t *doc, int tmp, uint32_t *code);
char *FT__ExtractFileName(const char *spoolDir, const FT_docId_t *doc, int kind, uint32_t *code);
char *FT__AppendExtension(const char *base, int kind);
// -1 for an unknown kind, else the ending's length; *ending set.
int FT__VersionEnding(int kind, const char **ending);
// 0 when the id is usable in a spool name (traces why not, naming `where`).
uint32_t FT__CheckDocId(const char *where, const FT_docId_t *doc);

int FT__ThreadSleep(int milliseconds);
// Full writes; -1 with errno on failure.
int FT__WriteAll(int fd, const void *data, size_t length);
// The same on a socket, without SIGPIPE when the peer has gone.
int FT__SendAll(int fd, const void *data, size_t length);
// A NUL-terminated copy of a counted text, or null.
char *FT__CopyCounted(const FT_countedText_t *text);

uint32_t WR_ReceiveFile(const FT_includedDoc_t *content, const FT_docId_t *doc,
                        const char *spoolDir, FT_receivedFile_t *result);
uint32_t FileRef_ReceiveFile(const FT_docId_t *doc, const FT_transferRef_t *ref,
                             const char *spoolDir, FT_receivedFile_t *result);
uint32_t FileRef_ServerBufferInit(const FT_docId_t *doc, FT_buffer_t *buf, const char *path);
uint32_t Socket_ServerFile(const FT_docId_t *doc, const char *spoolDir, FT_receivedFile_t *result);
uint32_t Socket_ClientFile(const FT_docId_t *doc, const FT_transferAddress_t *address,
                           const char *path);
// Listening TCP socket on any address, port 0; -1 on failure (traced as `who`).
int FT__Listen(const char *who, FT_transferAddress_t *address);
// Connects to the address with the retry rule; -1 on failure.
int FT__Connect(const char *who, const FT_transferAddress_t *address);
// Waits for and accepts one connection; -1 on time-out or error.
int FT__Accept(int listenFd);

// Anonymous FTP.
struct FT_ftpConn {
  FILE *in = nullptr;
  FILE *out = nullptr;
  int socket = -1;
  int reply = 0;
};
uint32_t AFTP_ReceiveFile(const FT_docId_t *doc, const FT_transferRef_t *ref, const char *spoolDir,
                          FT_receivedFile_t *result);
int FTP_Connect(FT_ftpConn *conn, const char *host);
// Connects to the first of `count` IPv4 addresses that accepts (the host lookup's list).
int FTP__ConnectAddresses(FT_ftpConn *conn, const uint8_t (*addrs)[4], int count);
int FTP_GetReply(FT_ftpConn *conn);
int FTP_AnonLogin(FT_ftpConn *conn);
int FTP_ChangeHostDir(FT_ftpConn *conn, const char *dir);
int FTP_FileType(FT_ftpConn *conn);
// 0 with the file written, 1 without a file (550, refused or broken transfer).
int FTP_GetFile(FT_ftpConn *conn, const char *path, const char *destFile);
int FTP_Quit(FT_ftpConn *conn);
void FTP__Close(FT_ftpConn *conn);

#endif
