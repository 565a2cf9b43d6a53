// `kq ber print PDU [FILE|-]` and `kq ber list`: reading captured protocol records.
#ifndef KQ_TOOLS_KQ_BER_CMD_H
#define KQ_TOOLS_KQ_BER_CMD_H

#include <cstdio>
#include <string>

// Decodes the encoding in `file` ("-" or empty: `in`), raw bytes or hexadecimal text,
// as record number `pdu` of `module` ("dpa" or "evt") and prints it. Returns 0, 1
// when the input cannot be read or decoded, 2 for an unknown module or record number.
int kq_ber_print_run(const std::string &module, int pdu, const std::string &file, FILE *in,
                     FILE *out, FILE *err);

// Lists the record numbers of `module` with their type names.
int kq_ber_list_run(const std::string &module, FILE *out, FILE *err);

#endif
