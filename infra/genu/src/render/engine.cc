// The layout-driven renderer: a record's layout says which fields it has and
// where, its RecordText says how each is labelled; one walk renders any of them.
#include <cinttypes>
#include <cstring>

#include "private/genu_render_int.h"

namespace kq::genu {

namespace {

bool IsScalar(FieldKind k) {
  switch (k) {
    case FieldKind::kI32:
    case FieldKind::kU32:
    case FieldKind::kI16:
    case FieldKind::kF64:
    case FieldKind::kChars:
    case FieldKind::kShortOct:
    case FieldKind::kCStr:
    case FieldKind::kOctets:
      return true;
    default:
      return false;
  }
}

void ScalarTo(std::string &out, const Field &f, const void *at, const FieldText &ft) {
  const char *p = static_cast<const char *>(at);
  switch (f.kind) {
    case FieldKind::kI32:
      Appendf(out, "%d", *reinterpret_cast<const int32_t *>(p));
      break;
    case FieldKind::kI16:
      Appendf(out, "%d", *reinterpret_cast<const int16_t *>(p));
      break;
    case FieldKind::kU32: {
      uint32_t v = *reinterpret_cast<const uint32_t *>(p);
      if (ft.show == Show::kOid) {
        out += v ? OidText(v) : "NULL [ERROR]";
      } else if (ft.show == Show::kEnum) {
        out += v < ft.count ? ft.names[v] : ft.other;
      } else {
        Appendf(out, "%u", v);
      }
      break;
    }
    case FieldKind::kF64:
      Appendf(out, "%f", *reinterpret_cast<const double *>(p));
      break;
    case FieldKind::kChars:
      out.append(p, strnlen(p, f.size));
      break;
    case FieldKind::kShortOct: {
      int16_t n = *reinterpret_cast<const int16_t *>(p);
      if (n > 0) out.append(p + sizeof(int16_t), n);
      break;
    }
    case FieldKind::kCStr: {
      const char *s = *reinterpret_cast<const char *const *>(p);
      out += s ? s : "NULL";
      break;
    }
    case FieldKind::kOctets: {
      const auto *o = reinterpret_cast<const GEN_OctetString_t *>(p);
      if (o->length > 0 && o->value)
        out.append(reinterpret_cast<const char *>(o->value), o->length);
      break;
    }
    default:
      break;
  }
  out += ft.end;
}

// The one-line form of records that read best as a single value.
bool LeafTo(std::string &out, const Layout *L, const void *v) {
  if (L == &kTextLayout) {
    out += Chars(static_cast<const GEN_Text_t *>(v));
  } else if (L == &kSimpleNameLayout) {
    out += Chars(static_cast<const GEN_SimpleName_t *>(v));
  } else if (L == &kNameOrOIDLayout) {
    out += NameOrOidPlain(static_cast<const GEN_NameOrOID_t *>(v));
  } else if (L == &kDistNameStringLayout) {
    out += DistNameText(static_cast<const GEN_DistNameString_t *>(v));
  } else if (L == &kJobIdentifierLayout) {
    out += static_cast<const GEN_JobIdentifier_t *>(v)->value;
  } else if (L == &kCardinal64Layout) {
    uint64_t n = 0;
    GEN_GenToUint64(&n, static_cast<const GEN_Cardinal64_t *>(v));
    Appendf(out, "%" PRIu64, n);
  } else if (L == &kORNameLayout) {
    out += MailText(static_cast<const GEN_ORName_t *>(v));
  } else if (L == &kLocaleLayout) {
    LocaleTo(out, static_cast<const GEN_Locale_t *>(v));
    out.pop_back();  // the field's own end follows
  } else if (L == &kExternalLayout) {
    out += "\n";
    ExternalTo(out, static_cast<const GEN_External_t *>(v));
    out.pop_back();
  } else {
    return false;
  }
  return true;
}

void ValueTo(std::string &out, const Layout *L, const void *v, const FieldText &ft);

void SeqTo(std::string &out, const Layout *elem, const GEN_ValueSeq_t *node, const FieldText &ft) {
  if (!node) out += ft.end;
  for (; node; node = node->next) ValueTo(out, elem, node->value, ft);
}

void ValueTo(std::string &out, const Layout *L, const void *v, const FieldText &ft) {
  if (ft.show == Show::kFixed) {
    out += ft.other;
    out += ft.end;
    return;
  }
  if (L->maxChoice == 0 && L->fieldCount == 1) {
    const Field &only = L->fields[0];
    if (IsScalar(only.kind) && only.offset == 0) {
      ScalarTo(out, only, v, ft);
      return;
    }
    if (only.kind == FieldKind::kSeq) {
      SeqTo(out, only.sub, *static_cast<GEN_ValueSeq_t *const *>(v), ft);
      return;
    }
  }
  if (LeafTo(out, L, v)) {
    out += ft.end;
  } else if (const RecordText *rt = RecordTextOf(L)) {
    RecordTo(out, *rt, v);
  } else {
    out += L->name;
    out += ft.end;
  }
}

}  // namespace

void RecordTo(std::string &out, const RecordText &text, const void *record) {
  const Layout *L = text.layout;
  int32_t choice = L->maxChoice > 0 ? *static_cast<const int32_t *>(record) : 0;
  if (L->maxChoice > 0 && (choice < 1 || choice > L->maxChoice)) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    if (text.badChoice) Appendf(out, text.badChoice, choice);
#pragma GCC diagnostic pop
    return;
  }
  const char *base = static_cast<const char *>(record);
  for (uint32_t i = 0; i < L->fieldCount && i < text.count; ++i) {
    const Field &f = L->fields[i];
    const FieldText &ft = text.fields[i];
    int32_t last = f.whenLast ? f.whenLast : f.when;
    if (f.when && (choice < f.when || choice > last)) continue;
    if (!ft.label) continue;
    const void *at = base + f.offset;
    if (f.kind == FieldKind::kPtr || f.kind == FieldKind::kSeq) {
      const void *p = *static_cast<const void *const *>(at);
      if (!p) {
        if (ft.absent) {
          out += ft.label;
          out += ft.absent;
        }
        continue;
      }
      out += ft.label;
      if (f.kind == FieldKind::kPtr) {
        ValueTo(out, f.sub, p, ft);
      } else {
        SeqTo(out, f.sub, static_cast<const GEN_ValueSeq_t *>(p), ft);
      }
      continue;
    }
    out += ft.label;
    if (f.kind == FieldKind::kEmbed) {
      ValueTo(out, f.sub, at, ft);
    } else if (f.kind == FieldKind::kAttr) {
      AttributeTo(out, *static_cast<const AS_attrHandle_t *>(at));
    } else {
      ScalarTo(out, f, at, ft);
    }
  }
  if (text.end) out += text.end;
}

}  // namespace kq::genu
