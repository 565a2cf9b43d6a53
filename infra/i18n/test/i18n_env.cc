#include "i18n_env.h"

#include <cstdlib>

namespace kq::i18n::test {

std::string Failure(uint32_t code) { return "fails " + std::to_string(code); }

std::string Field(const I18N_localeField_t &f) { return std::string(f.value, f.length); }

std::string Text(const I18N_dpaLocale_t &d) {
  return Field(d.language) + "/" + Field(d.country) + "/" + std::to_string(d.codeSet);
}

std::string DpaOf(const char *name) {
  StatusList l;
  I18N_dpaLocale_t d{};
  return I18N_GetDPALocaleFromLocaleName(l, name, &d) ? Failure(l.Code()) : Text(d);
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
  EXPECT_TRUE(I18N_Init(l, dir.path().c_str()) == 0 || !l.Codes().empty());
  return l.Codes();
}

void Unload() { EXPECT_EQ(I18N_Term(StatusList()), 0); }

}  // namespace kq::i18n::test
