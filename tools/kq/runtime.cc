#include "runtime.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "command.h"
#include "infra/msg.h"
#include "infra/svclog.h"

namespace kq::tool {

std::vector<CommandAdder> &Commands() {
  static std::vector<CommandAdder> adders;
  return adders;
}

void StartMessages() {
  static bool started = false;
  if (started) return;
  started = true;
#ifdef KQ_STAGE_DIR
  struct stat st;
  const char *root = getenv("QV_ROOT");
  if ((!root || !*root) && stat(KQ_STAGE_DIR, &st) == 0) setenv("QV_ROOT", KQ_STAGE_DIR, 1);
#endif
  MSG_UsageBegin("KQCLI");
}

std::string RegistryDir() {
  StartMessages();
  const char *root = getenv("QV_ROOT");
  if (root && *root) return std::string(root) + "/usr/kq/share/data";
#ifdef KQ_INSTALL_DATADIR
  return KQ_INSTALL_DATADIR "/data";
#else
  return "/usr/kq/share/data";
#endif
}

std::string LoggedText(const std::string &logFile, const std::function<void()> &emit) {
  struct stat before {};
  if (stat(logFile.c_str(), &before) != 0) before.st_size = 0;
  if (!LOG_START_MESSAGE(LOG_SEV_INFO, nullptr)) return "";
  emit();
  LOG_EndMessage();
  std::string text;
  if (FILE *f = fopen(logFile.c_str(), "r")) {  // only what this message added
    fseek(f, before.st_size, SEEK_SET);
    char line[4096];
    while (fgets(line, sizeof line, f)) {
      const char *bar = strstr(line, " | ");
      text += bar ? bar + 3 : line;
    }
    fclose(f);
  }
  return text;
}

std::optional<uint32_t> ParseCode(const std::string &text) {
  if (text.empty() || text.size() > 12) return std::nullopt;
  bool hexPrefix = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  bool allDigits = true, allHex = true;
  for (size_t i = hexPrefix ? 2 : 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    allDigits = allDigits && isdigit(c);
    allHex = allHex && isxdigit(c);
  }
  if (!allHex) return std::nullopt;
  int base = (hexPrefix || !allDigits) ? 16 : 10;
  errno = 0;
  char *end = nullptr;
  unsigned long long v = strtoull(text.c_str(), &end, base);
  if (errno || *end || v > 0xffffffffull) return std::nullopt;
  return static_cast<uint32_t>(v);
}

}  // namespace kq::tool
