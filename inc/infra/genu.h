/* Generic attribute values and everything around them, one header per topic. */
#ifndef KQ_INFRA_GENU_H
#define KQ_INFRA_GENU_H

#include "infra/genu_compare.h"
#include "infra/genu_desc.h"
#include "infra/genu_iconv.h"
#include "infra/genu_make.h"
#include "infra/genu_oid.h"
#include "infra/genu_render.h"
#include "infra/genu_value.h"
#include "infra/genu_wire.h"
#include "infra/genu_world.h"
#include "infra/genu_x400.h"

#endif
