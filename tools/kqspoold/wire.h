// Helpers between kqspoold's state and the records of the compiled protocol module:
// names and identifiers out of received records, attribute lists built for replies
// in an arena that is released once the reply is encoded.
#ifndef KQ_TOOLS_KQSPOOLD_WIRE_H
#define KQ_TOOLS_KQSPOOLD_WIRE_H

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "internal/ber_mod_kq_0b.h"
#include "state.h"

namespace kq::spool {

// Blocks of a reply record under construction, freed together.
class Arena {
 public:
  Arena() = default;
  Arena(const Arena &) = delete;
  Arena &operator=(const Arena &) = delete;
  ~Arena() {
    for (void *b : blocks_) free(b);
  }
  template <typename T>
  T *New() {
    void *b = calloc(1, sizeof(T));
    if (!b) abort();  // a reply of a few records; nothing sensible to answer without memory
    blocks_.push_back(b);
    return static_cast<T *>(b);
  }

 private:
  std::vector<void *> blocks_;
};

// The text of a simple name (empty when it has none).
std::string NameOf(const SimpleName &name);
void SetName(SimpleName *out, const std::string &name);
// The short OID of a received identifier; false when the identifier is unknown.
bool ShortOf(const ber_oid &oid, uint32_t *shoid);
// The BER form of a short OID (static bytes of the registry table).
ber_oid BerOf(uint32_t shoid);
// One value of attribute `id` (packed by the attribute's value type) encoded as it
// travels; empty when it cannot be packed.
std::string Pack(uint32_t id, const void *value);
std::string PackOid(uint32_t id, uint32_t value);
std::string PackName(uint32_t id, const std::string &value);
std::string PackJobId(uint32_t id, const std::string &value);

// Whether a short OID names an attribute type (rather than a value, a syntax or a
// class): the registry names every attribute type "id-att-...".
bool IsAttribute(uint32_t id);

// Checks a received attribute: its identifier must be a known attribute and each of
// its values must decode as the attribute's syntax. Returns 0 and fills `out`, or
// the attribute problem code (3 undefined type, 2 invalid syntax) with `out->id`
// set when the identifier is known.
int ReadAttr(const Attribute &wire, Attr *out);
// The same for an identifier and a chain of values of any list node type.
int ReadValues(const ber_oid &type, const Attribute_values_node *values, Attr *out);

// The attributes as a wire list, only those `wanted` names when it is given.
AttributeList_node *ToWireList(Arena &arena, const Attrs &attrs,
                               const std::vector<uint32_t> *wanted = nullptr);

// The bytes of an encoded record; empty on failure.
std::string Encode(int pdu, void *record);

}  // namespace kq::spool

#endif
