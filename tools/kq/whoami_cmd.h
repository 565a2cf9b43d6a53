// `kq whoami`: the identity the library sends to a print server.
//   kq whoami [--json]
// The PAC as the privileges attribute of a request carries it (user, user domain and
// its type, host, host domain and its type) and the system credentials an RPC client
// carries (uid, gid, groups, machine name).
#ifndef KQ_TOOLS_KQ_WHOAMI_CMD_H
#define KQ_TOOLS_KQ_WHOAMI_CMD_H

#include <cstdio>

// Exit status: 0 printed, 1 the library could not build the PAC or the credentials.
int kq_whoami_run(bool json, FILE *out, FILE *err);

#endif
