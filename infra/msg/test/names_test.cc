// Catalogue naming, set numbering and the facility's exported surface.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "private/msg_internal.h"

namespace {

std::string Name(uint32_t code, const char *app = "PRINT") {
  char out[MSG_CATALOGUE_NAME_MAX];
  if (!MSG__CatalogueName(code, app, out, sizeof out)) return "<none>";
  return out;
}

// The installed names, derived independently of the table: "C0" and two hex digits,
// with the letter O where the low digit is C..F, O twice for 0x0c..0x0e.
std::string ModelSharedName(unsigned n) {
  if (n == 0x13) return "dpaapi";
  if (n == 0x16) return "kqsvclog";
  char buf[16];
  if (n >= 0x0c && n <= 0x0e) {
    snprintf(buf, sizeof buf, "COO%X", n & 0xf);
  } else if ((n & 0xf) >= 0xc) {
    snprintf(buf, sizeof buf, "CO%02X", n);
  } else {
    snprintf(buf, sizeof buf, "C0%02X", n);
  }
  return buf;
}

TEST(msg_names, SharedTableMatchesInstalledFileNames) {
  for (unsigned n = 0; n < 256; ++n) {
    EXPECT_EQ(MSG__sharedMsgNames[n], ModelSharedName(n)) << std::hex << n;
    EXPECT_EQ(Name(0xc0000000u | (n << 16) | 0x65), ModelSharedName(n) + ".cat");
  }
  // The message number plays no part.
  EXPECT_EQ(Name(0xc00f0000), "CO0F.cat");
  EXPECT_EQ(Name(0xc0ff0001), "COFF.cat");
}

TEST(msg_names, ApplicationAndUnusedClasses) {
  // Class 1: four letters of the application name and the facility word.
  EXPECT_EQ(Name(0x40100005u, "PRINT"), "prin4010.cat");
  EXPECT_EQ(Name(0x7abc0001u, "ABC"), "abc7ABC.cat");
  // Class 0: the whole application name.
  EXPECT_EQ(Name(0x00050007u, "PRINTER8"), "printer8.cat");
  EXPECT_EQ(Name(0x3fff0001u, "Q12"), "q12.cat");
  // Application classes need an application name.
  EXPECT_EQ(Name(0x40100005u, ""), "<none>");
  EXPECT_EQ(Name(0x00050007u, nullptr), "<none>");
  // Class 2 is unused; shared facilities stop at 255.
  EXPECT_EQ(Name(0x80010001u), "<none>");
  EXPECT_EQ(Name(0xc1000001u), "<none>");
}

TEST(msg_names, SetNumbersAndCodeTranslation) {
  EXPECT_EQ(MSG__SetNumber(STF_SRC_STF, 0xc0030065u), 2);
  EXPECT_EQ(MSG__SetNumber(STF_SRC_MSG, 0xc0030065u), 1);
  EXPECT_EQ(MSG__SetNumber(STF_SRC_STF, 0x40100065u), 2);
  EXPECT_EQ(MSG__SetNumber(STF_SRC_MSG, 0x40100065u), 1);
  EXPECT_EQ(MSG__SetNumber(STF_SRC_STF, 0x00050065u), 10);
  EXPECT_EQ(MSG__SetNumber(STF_SRC_MSG, 0x00050065u), 9);
  EXPECT_EQ(MSG__SetNumber(STF_SRC_MSG, 0x00000065u), 0);  // facility 0 has no sets
  EXPECT_EQ(MSG__SetNumber(STF_SRC_ERRNO, 0xc0030065u), 0);
  EXPECT_EQ(MSG__SetNumber(STF_SRC_STF, 0x80030065u), 0);

  EXPECT_EQ(MSG__TranslateCode(STF_SRC_STF, 0), 0xc0010003u);
  EXPECT_EQ(MSG__TranslateCode(STF_SRC_MSG, 0), 0u);
  EXPECT_EQ(MSG__TranslateCode(STF_SRC_STF, 0xc0030071u), 0xc0030071u);

  char name[16];
  const struct {
    uint32_t source;
    const char *name;
  } sources[] = {{1, "STF"}, {2, "MSG"}, {3, "ERRNO"}, {0, "0000"}, {0x1a, "001a"}};
  for (const auto &s : sources) {
    MSG__SourceName(s.source, name, sizeof name);
    EXPECT_STREQ(name, s.name);
  }
}

// The build directory: KQ_BUILD, else two levels above this test program
// (<build>/infra/msg/msg_test).
std::string BuildDir() {
  if (const char *build = getenv("KQ_BUILD")) return build;
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "";
  std::string path(self, static_cast<size_t>(n));
  for (int i = 0; i < 3; ++i) path = path.substr(0, path.rfind('/'));
  return path;
}

// The shared library exports the public operations and none of the internals.
TEST(msg_names, OnlyPublicNamesAreExported) {
  std::string path = BuildDir() + "/libkqcore.so";
  if (access(path.c_str(), R_OK) != 0) GTEST_SKIP() << path << " not built";
  void *lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char *name :
       {"MSG_UsageBegin", "MSG_UsageEnd", "MSG_GetUnformatted", "MSG_GetFormattedByArray",
        "MSG_GetFormattedBySprintf", "MSG_GetSymbolicNames", "MSG_GetUnformattedWide",
        "MSG_GetFormattedByArrayWide", "MSG_GetFormattedBySprintfWide", "MSG_setlocale_r"}) {
    EXPECT_NE(dlsym(lib, name), nullptr) << name;
  }
  for (const char *name : {"MSG__TranslateCode", "MSG__sharedMsgNames", "MSG__DoFormat",
                           "MSG__Lookup", "MSG__Insert", "MSG__FetchText", "MSG__InitMutex",
                           "MSG__TableLookup", "MSG__FacilityName", "MSG__IsShared"}) {
    EXPECT_EQ(dlsym(lib, name), nullptr) << name;
  }
  dlclose(lib);
}

}  // namespace
