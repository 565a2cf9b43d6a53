// The NIS domain the printer configuration reads its maps from, fetched once per
// process. The directory names the domain in its traces and in the names of objects
// it finds in NIS.
#ifndef KQ_INFRA_PRT_IFACE_INTERNAL_PRT_NIS_H
#define KQ_INFRA_PRT_IFACE_INTERNAL_PRT_NIS_H

// NULL when the machine has none.
const char *prt__nis_domain(void);

#endif
