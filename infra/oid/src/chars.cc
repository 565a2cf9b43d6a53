// Characteristics records: building them and testing their bit sets.
//
// Byte 0 is 0x30; byte 1 tells the kind (0x23 attribute, 0x40 value, 0x30 value
// class; bits 7..4 give 1 for object classes and 5 for syntaxes). Attributes keep
// their syntax in byte 4, value classes in bytes 5..6 (most significant first),
// valid operations in bytes 8..11 and valid object classes in bytes 12..18.
#include <cstring>

#include "infra/oid.h"

namespace {

constexpr int kOpsByte = 8;
constexpr int kClassesByte = 12;

// Syntaxes (value type ids) whose values belong to a value class.
bool NeedsValueClass(uint8_t syntax) {
  static const uint8_t kSyntaxes[] = {6,  8,  10, 18, 19, 21, 24, 33, 34, 35, 43, 44, 46, 49,
                                      51, 52, 55, 58, 59, 60, 65, 67, 68, 70, 72, 73, 79, 80};
  for (uint8_t s : kSyntaxes) {
    if (s == syntax) return true;
  }
  return false;
}

void Start(unsigned char *record, unsigned char kind) {
  memset(record, 0, OID_CHARS_LEN);
  record[0] = 0x30;
  record[1] = kind;
}

void PutValueClass(unsigned char *record, uint16_t valueClass) {
  record[5] = static_cast<unsigned char>(valueClass >> 8);
  record[6] = static_cast<unsigned char>(valueClass & 0xff);
}

int Bit(const unsigned char *record, int base, int32_t n, int32_t max) {
  if (!record || n < 0 || n > max) return 0;
  return (record[base + n / 8] >> (n % 8)) & 1;
}

}  // namespace

extern "C" {

void OID_SetAttrCharacteristics_M(const OID_attrProperties_t *properties, unsigned char *record) {
  if (!record) return;
  Start(record, 0x23);
  if (!properties) return;
  record[2] = properties->multiValued == 1 ? 2 : 1;
  record[3] = properties->flags;
  record[4] = properties->syntax;
  if (NeedsValueClass(properties->syntax)) {
    PutValueClass(record, properties->valueClass);
    record[7] = properties->valueClassFlags;
  }
}

void OID_SetAttrCharacteristics(const OID_attrProperties_t *properties, const uint32_t *operations,
                                uint32_t operationCount, const uint32_t *objectClasses,
                                uint32_t classCount, unsigned char *record) {
  OID_SetAttrCharacteristics_M(properties, record);
  if (!record) return;
  for (uint32_t i = 0; operations && i < operationCount; i++) {
    OID_SetValidOperation(operations[i], record);
  }
  for (uint32_t i = 0; objectClasses && i < classCount; i++) {
    OID_SetValidObjectClass(objectClasses[i], record);
  }
}

void OID_SetValueCharacteristics(uint16_t valueClass, uint8_t flags, unsigned char *record) {
  if (!record) return;
  Start(record, 0x40);
  record[4] = 10;  // values are identifiers
  PutValueClass(record, valueClass);
  record[7] = flags;
}

void OID_SetValueClassCharacteristics(uint16_t valueClass, unsigned char *record) {
  if (!record) return;
  Start(record, 0x30);
  PutValueClass(record, valueClass);
}

void OID_SetValidOperation(uint32_t operation, unsigned char *record) {
  if (!record || operation > OID_MAX_OPERATION) return;
  record[kOpsByte + operation / 8] |= static_cast<unsigned char>(1u << (operation % 8));
}

void OID_SetValidObjectClass(uint32_t objectClass, unsigned char *record) {
  if (!record || objectClass > OID_MAX_OBJECT_CLASS) return;
  if (objectClass == 0) {  // every object class
    memset(record + kClassesByte, 0xff, OID_CHARS_LEN - kClassesByte);
    return;
  }
  record[kClassesByte + objectClass / 8] |= static_cast<unsigned char>(1u << (objectClass % 8));
}

int OID_ValidForOp(const unsigned char *record, int32_t operation) {
  return Bit(record, kOpsByte, operation, OID_MAX_OPERATION);
}

int OID_ValidForObject(const unsigned char *record, int32_t objectClass) {
  return Bit(record, kClassesByte, objectClass, OID_MAX_OBJECT_CLASS);
}

}  // extern "C"
