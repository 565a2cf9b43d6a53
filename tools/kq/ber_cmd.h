// `kq ber print PDU [FILE|-]` and `kq ber list`: reading captured protocol records.
#ifndef KQ_TOOLS_KQ_BER_CMD_H
#define KQ_TOOLS_KQ_BER_CMD_H

#include <cstdio>
#include <string>

// Decodes the encoding in `file` ("-" or empty: `in`), raw bytes or hexadecimal text,
// as record number `pdu` of `module` ("dpa" or "evt") and prints it. A protocol record
// is shown as its attribute lists, each with the dotted identifier and registered
// name of its attributes and then rendered as the service log traces attribute sets,
// and an error record also as its error description; `raw`, every event record and a
// record with neither print the decoded structure instead. Returns 0, 1 when the input cannot be
// read, decoded or rendered, 2 for an unknown module or record number.
int kq_ber_print_run(const std::string &module, int pdu, const std::string &file, FILE *in,
                     FILE *out, FILE *err, bool raw = false);

// Lists the record numbers of `module` with their type names.
int kq_ber_list_run(const std::string &module, FILE *out, FILE *err);

#endif
