// Traces of single values on their way to and from the wire: each value is named by
// its type and shown as the value rendering shows it.
#include <string>

#include "infra/svclog.h"
#include "private/genu_render_int.h"
#include "private/genu_wire_int.h"

namespace kq::genu {

const char *TypeDisplayName(uint32_t id) { return GENU__TypeToAscii(nullptr, id); }

// One message per packed or unpacked value at the packing detail level: "<verb>
// <name> = <rendering>", or "<verb> <name>" for the types no rendering knows. An
// unpacked integer is named by its record. Nothing is rendered when the level is off.
void TraceValue(const char *verb, uint32_t id, const void *record, bool unpacked) {
  if (!LOG_START_MESSAGE(LOG_SEV_PACK, nullptr)) return;
  const char *name = unpacked && id == 12 ? "Integer" : TypeDisplayName(id);
  std::string text = record ? PackTraceText(record, id) : std::string();
  if (text.empty())
    LOG_CondAdd("%s %s\n", verb, name);
  else
    LOG_CondAdd("%s %s = %s", verb, name, text.c_str());
  LOG_EndMessage();
}

}  // namespace kq::genu
