/* libkqcore: every public header. */
#ifndef KQ_KQCORE_H
#define KQ_KQCORE_H

#include "infra/as.h"
#include "infra/ber.h"
#include "infra/csecurity.h"
#include "infra/erdpa.h"
#include "infra/evt.h"
#include "infra/fa.h"
#include "infra/ft.h"
#include "infra/genu.h"
#include "infra/i18n.h"
#include "infra/jqp.h"
#include "infra/kqbm.h"
#include "infra/msg.h"
#include "infra/ns.h"
#include "infra/oid.h"
#include "infra/osc.h"
#include "infra/prt.h"
#include "infra/stf.h"
#include "infra/svclog.h"
#include "infra/sysutil.h"
#include "infra/thr.h"
#include "infra/version.h"

#endif
