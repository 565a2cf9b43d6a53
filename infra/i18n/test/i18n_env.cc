#include "i18n_env.h"

#include <cstdlib>

namespace kq::i18n::test {

std::string Failure(uint32_t code) { return "fails " + std::to_string(code); }

std::string Field(const I18N_localeField_t &f) { return std::string(f.value, f.length); }

std::string DpaOf(const char *name) {
  StatusList l;
  I18N_dpaLocale_t d{};
  if (I18N_GetDPALocaleFromLocaleName(l, name, &d)) return Failure(l.Code());
  return Field(d.language) + "/" + Field(d.country) + "/" + std::to_string(d.codeSet);
}

uint32_t CodeSetOf(const char *name) {
  StatusList l;
  uint32_t shoid = 0;
  return I18N_CodesetNameToOID(l, name, &shoid) ? 0 : shoid;
}

std::string CodeSetName(uint32_t shoid) {
  StatusList l;
  char *name = nullptr;
  if (I18N_OIDToCodesetName(l, shoid, &name)) return Failure(l.Code());
  std::string s = name;
  free(name);
  return s;
}

Codes Load(const std::string &text) {
  kq::test::TempDir dir;
  kq::test::WriteFile(dir / "charset.dat", text);
  StatusList l;
  if (I18N_Init(l, dir.path().c_str()) == 0) return {};
  EXPECT_FALSE(l.Codes().empty());
  return l.Codes();
}

void Unload() {
  StatusList l;
  EXPECT_EQ(I18N_Term(l), 0);
}

}  // namespace kq::i18n::test
