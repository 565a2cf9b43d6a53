// `kq dbm`: inspecting paged B-tree database files.
//   kq dbm dump FILE        every key and content in key order
//   kq dbm get FILE KEY     the content stored under KEY
// FILE is the database file itself ("DPAOIDs_C.dbm"; the suffix may be left off).
#ifndef KQ_TOOLS_KQ_DBM_CMD_H
#define KQ_TOOLS_KQ_DBM_CMD_H

#include <cstdio>

// argv[0] is "dump" or "get". Returns the exit status: 0 done, 1 key absent or file
// unreadable, 2 bad usage.
int kq_dbm_command(int argc, char **argv);
// The same with explicit output streams.
int kq_dbm_run(int argc, char **argv, FILE *out, FILE *err);

#endif
