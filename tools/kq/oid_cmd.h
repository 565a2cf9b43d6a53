// `kq oid`: the object identifier registry.
//   kq oid init DIR              builds a complete registry in DIR from the compiled table
//   kq oid lookup [-d DIR] X...  looks up each X: a name, an abbreviation, a dotted OID
//                                (1.0.10175.1.5.1) or a short OID (7)
// Without -d, lookups use the registry kq::tool::RegistryDir() names: $QV_ROOT/usr/kq/share/data,
// else the installed one.
#ifndef KQ_TOOLS_KQ_OID_CMD_H
#define KQ_TOOLS_KQ_OID_CMD_H

#include <cstdio>
#include <string>
#include <vector>

// Returns 0 when the registry was built, 1 otherwise.
int kq_oid_init_run(const std::string &dir, FILE *out, FILE *err);
// Returns 0 when every item was found, 1 when one was not or the registry could
// not be opened.
int kq_oid_lookup_run(const std::vector<std::string> &items, const std::string &dir, FILE *out,
                      FILE *err);

#endif
