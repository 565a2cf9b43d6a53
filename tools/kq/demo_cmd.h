// `kq demo`: a short tour of what the library does today.
#ifndef KQ_TOOLS_KQ_DEMO_CMD_H
#define KQ_TOOLS_KQ_DEMO_CMD_H

#include <cstdio>
#include <string>

// Works in `dir` (a new directory under /tmp when empty). Returns the exit status.
int kq_demo_run(const std::string &dir, FILE *out, FILE *err);

// The demo's print request through the wire and back, its file written to `dir`.
int kq_demo_wire_run(const std::string &dir, FILE *out, FILE *err);

#endif
