// `kq demo`: a short tour of what the library does today.
#pragma once

#include <cstdio>
#include <string>

// Works in `dir` (a new directory under /tmp when empty). Returns the exit status.
int kq_demo_run(const std::string &dir, FILE *out, FILE *err);

// The demo's print request through the wire and back, its file written to `dir`.
int kq_demo_wire_run(const std::string &dir, FILE *out, FILE *err);
