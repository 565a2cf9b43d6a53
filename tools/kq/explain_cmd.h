// `kq explain CODE...`: the message line a status list gives for each code, as a
// program that received the code would report it.
#ifndef KQ_TOOLS_KQ_EXPLAIN_CMD_H
#define KQ_TOOLS_KQ_EXPLAIN_CMD_H

#include <cstdio>
#include <string>
#include <vector>

// Returns the exit status: 0 when every code was explained, 1 when one has no
// catalogue text (its fallback line is still printed), 2 when one could not be
// read as a number or the locale is unknown. 0 is explained as success.
int kq_explain_run(const std::vector<std::string> &codes, const std::string &locale, FILE *out,
                   FILE *err);

#endif
