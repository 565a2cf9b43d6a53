// The files the credentials read. The library reads "/etc/passwd" and
// "/etc/resolv.conf"; tests and tools point these at files of their own (a missing
// file included) and forget the process state so that the next call reads them anew.
#ifndef KQ_INFRA_CSECURITY_IFACE_INTERNAL_CSEC_FILES_H
#define KQ_INFRA_CSECURITY_IFACE_INTERNAL_CSEC_FILES_H

extern const char *csec__passwd_path;
extern const char *csec__resolv_path;

// Forgets the NIS and DNS domains, the passwd order and the cached domains; the next
// call sets them up again from the files and the switch.
void CSEC__Reset(void);

#endif
