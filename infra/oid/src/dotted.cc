// Dotted text and binary OIDs: conversions both ways (arcs of any size) and the
// small binary utilities.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "infra/oid.h"
#include "private/oid_db.h"

using kq::oid::Fail;
using kq::oid::GoodBinary;

namespace {

constexpr int kMaxContent = 127;

bool AllDigits(const std::string &s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

// Appends the base-128 groups of a decimal arc, most significant first, top bit
// set on all but the last.
void AppendArc(std::string digits, std::vector<unsigned char> &out) {
  std::vector<unsigned char> groups;
  while (!(digits.size() == 1 && digits[0] == '0')) {
    std::string quotient;
    unsigned rem = 0;
    for (char c : digits) {
      rem = rem * 10 + static_cast<unsigned>(c - '0');
      if (!quotient.empty() || rem >= 128) quotient += static_cast<char>('0' + rem / 128);
      rem %= 128;
    }
    groups.push_back(static_cast<unsigned char>(rem));
    digits = quotient.empty() ? "0" : quotient;
  }
  if (groups.empty()) groups.push_back(0);
  for (size_t i = groups.size(); i-- > 0;) {
    out.push_back(static_cast<unsigned char>(groups[i] | (i ? 0x80 : 0)));
  }
}

// Decimal text of the arc whose base-128 groups are [p, end).
std::string ArcText(const unsigned char *p, const unsigned char *end) {
  std::vector<int> digits{0};  // least significant first
  for (; p < end; p++) {
    int carry = *p & 0x7f;
    for (int &d : digits) {
      int v = d * 128 + carry;
      d = v % 10;
      carry = v / 10;
    }
    for (; carry; carry /= 10) digits.push_back(carry % 10);
  }
  std::string s;
  for (size_t i = digits.size(); i-- > 0;) s += static_cast<char>('0' + digits[i]);
  return s;
}

std::vector<std::string> Split(const std::string &s, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); i++) {
    if (i == s.size() || s[i] == sep) {
      parts.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

uint32_t ParseChars(const std::string &text, unsigned char *charsOut) {
  std::vector<std::string> values = Split(text, '.');
  if (values.size() != OID_CHARS_LEN) return OID_ST_BAD_CHARS;
  for (size_t i = 0; i < values.size(); i++) {
    if (!AllDigits(values[i]) || values[i].size() > 3) return OID_ST_BAD_CHARS;
    unsigned long v = strtoul(values[i].c_str(), nullptr, 10);
    if (v > 255) return OID_ST_BAD_CHARS;
    charsOut[i] = static_cast<unsigned char>(v);
  }
  return 0;
}

uint32_t ParseArcs(const std::string &text, std::vector<unsigned char> &content) {
  std::vector<std::string> arcs = Split(text, '.');
  if (arcs.size() < 2) return OID_ST_BAD_DOTTED;
  for (const std::string &a : arcs) {
    if (!AllDigits(a)) return OID_ST_BAD_DOTTED;
  }
  if (arcs[0].size() > 3 || arcs[1].size() > 3) return OID_ST_BAD_DOTTED;
  unsigned long first =
      strtoul(arcs[0].c_str(), nullptr, 10) * 40 + strtoul(arcs[1].c_str(), nullptr, 10);
  if (first > 255) return OID_ST_BAD_DOTTED;
  content.push_back(static_cast<unsigned char>(first));
  for (size_t i = 2; i < arcs.size(); i++) {
    size_t nz = arcs[i].find_first_not_of('0');
    // A base-128 group holds fewer than three decimal digits, so an arc of more
    // digits than three per byte still free cannot fit: it is refused before the
    // long division, whose cost grows with the square of the digits.
    size_t digits = nz == std::string::npos ? 1 : arcs[i].size() - nz;
    if (digits > 3 * (kMaxContent - content.size())) return OID_ST_BAD_DOTTED;
    AppendArc(nz == std::string::npos ? "0" : arcs[i].substr(nz), content);
    if (content.size() > kMaxContent) return OID_ST_BAD_DOTTED;
  }
  return 0;
}

}  // namespace

extern "C" {

uint32_t OID_ConvertDecToBin(STF_statusList_t *status, const char *text, unsigned char *binaryOut,
                             unsigned char *charsOut) {
  if (!status) return OID_ST_BAD_DOTTED;
  STF_ClearStatus(status);
  if (!text || !binaryOut) return Fail(status, OID_ST_BAD_DOTTED);
  try {
    std::string s(text);
    size_t colon = s.find(':');
    if (charsOut && colon == std::string::npos) return Fail(status, OID_ST_NO_CHARS_TEXT);
    std::vector<unsigned char> content;
    if (uint32_t st = ParseArcs(s.substr(0, colon), content)) return Fail(status, st);
    unsigned char chars[OID_CHARS_LEN];
    if (charsOut) {
      if (uint32_t st = ParseChars(s.substr(colon + 1), chars)) return Fail(status, st);
      memcpy(charsOut, chars, OID_CHARS_LEN);
    }
    binaryOut[0] = 6;
    binaryOut[1] = static_cast<unsigned char>(content.size());
    memcpy(binaryOut + 2, content.data(), content.size());
    binaryOut[2 + content.size()] = 0;
    return 0;
  } catch (const std::bad_alloc &) {
    return Fail(status, OID_ST_NO_MEMORY);
  }
}

uint32_t OID_ConvertBinToDec(STF_statusList_t *status, const unsigned char *binary,
                             const unsigned char *chars, uint32_t *lengthOut, char **textOut) {
  if (!status) return OID_ST_BAD_BINARY;
  STF_ClearStatus(status);
  if (!GoodBinary(binary) || binary[1] == 0 || !textOut) return Fail(status, OID_ST_BAD_BINARY);
  const unsigned char *p = binary + 2, *end = p + binary[1];
  if (binary[1] > 1 && (end[-1] & 0x80))
    return Fail(status, OID_ST_BAD_BINARY);  // an arc left open
  try {
    std::string s = std::to_string(*p / 40) + "." + std::to_string(*p % 40);
    for (const unsigned char *arc = ++p; p < end; p++) {
      if (!(*p & 0x80)) {
        s += "." + ArcText(arc, p + 1);
        arc = p + 1;
      }
    }
    if (chars) {
      s += ":";
      for (int i = 0; i < OID_CHARS_LEN; i++) s += (i ? "." : "") + std::to_string(chars[i]);
    }
    char *out = static_cast<char *>(malloc(s.size() + 1));
    if (!out) return Fail(status, OID_ST_NO_MEMORY);
    memcpy(out, s.c_str(), s.size() + 1);
    *textOut = out;
    if (lengthOut) *lengthOut = static_cast<uint32_t>(s.size() + 1);
    return 0;
  } catch (const std::bad_alloc &) {
    return Fail(status, OID_ST_NO_MEMORY);
  }
}

int OID_Len(const unsigned char *binary) { return binary && binary[0] == 6 ? binary[1] + 3 : -1; }

int OID_CopyBinary(unsigned char *dest, const unsigned char *binary) {
  if (!dest || !GoodBinary(binary)) return -1;
  memcpy(dest, binary, binary[1] + 2u);
  dest[binary[1] + 2] = 0;
  return binary[1] + 3;
}

int OID_CmpBinary(const unsigned char *a, const unsigned char *b) {
  if (!GoodBinary(a) || !GoodBinary(b)) return -2;
  // Byte by byte: the length bytes differ before a shorter OID's end is passed.
  for (int i = 0; i < a[1] + 2; i++) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

int OID_EqualBinary(const unsigned char *a, const unsigned char *b) {
  return OID_CmpBinary(a, b) == 0 ? 1 : 0;
}

const unsigned char *OID_GetChars(const unsigned char *binary) {
  if (!GoodBinary(binary) || binary[binary[1] + 2] == 0) return nullptr;
  return binary + binary[1] + 2;
}

}  // extern "C"
