/* Generic attribute values and everything around them, one header per topic. */
#ifndef KQ_INFRA_GENU_H
#define KQ_INFRA_GENU_H

#include "genu_compare.h"
#include "genu_desc.h"
#include "genu_iconv.h"
#include "genu_make.h"
#include "genu_names.h" /* generated: GENU_SHOID_<NAME>, GEN_TYPE_<SYNTAX> */
#include "genu_oid.h"
#include "genu_render.h"
#include "genu_value.h"
#include "genu_wire.h"
#include "genu_world.h"
#include "genu_x400.h"

#endif
