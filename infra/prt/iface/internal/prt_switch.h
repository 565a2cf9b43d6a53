// Where the name-service switch is read from. The printer configuration reads
// "/etc/nsswitch.conf"; tests and benchmarks of programs built on it point this at a
// file of their own (or at none) so that the machine's switch does not decide.
#ifndef KQ_INFRA_PRT_IFACE_INTERNAL_PRT_SWITCH_H
#define KQ_INFRA_PRT_IFACE_INTERNAL_PRT_SWITCH_H

extern const char *ns__nsswitch_path;

#endif
