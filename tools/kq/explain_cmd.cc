#include "explain_cmd.h"

#include <vector>

#include "command.h"
#include "infra/msg.h"
#include "infra/stf.h"
#include "runtime.h"

namespace {

// What the catalogues say about `code` under `locale`: 0 when they hold its text,
// MSG_ST_NOT_FOUND when no catalogue does, MSG_ST_NO_LOCALE when the locale is unknown.
uint32_t Known(uint32_t code, const char *locale) {
  char text[8];
  uint32_t length = 0;
  uint32_t st = MSG_GetUnformatted(STF_SRC_STF, code, locale, sizeof text, &length, text);
  return st == MSG_ST_TRUNCATED ? 0 : st;
}

}  // namespace

int kq_explain_run(const std::vector<std::string> &codes, const std::string &locale, FILE *out,
                   FILE *err) {
  kq::tool::StartMessages();
  const char *loc = locale.empty() ? nullptr : locale.c_str();
  if (loc && Known(STF_ST_TRUNCATED, loc) == MSG_ST_NO_LOCALE) {
    fprintf(err, "kq explain: locale \"%s\" is not available\n", loc);
    return 2;
  }
  STF_statusList_t *list = STF_CreateList(nullptr);
  std::vector<char> line(256);
  int rc = 0;
  for (const std::string &text : codes) {
    std::optional<uint32_t> code = kq::tool::ParseCode(text);
    if (!code) {
      fprintf(err, "kq explain: \"%s\" is not a status code (hexadecimal or decimal)\n",
              text.c_str());
      rc = 2;
      continue;
    }
    if (*code == 0) {  // no status list holds 0: it is the success every call returns
      fprintf(out, "0x%08x  success\n", *code);
      continue;
    }
    STF_ClearStatus(list);
    STF_AddStatus(list, *code, 0);
    uint32_t needed = 0;
    uint32_t st = STF_GetMessage(list, 1, STF_MSG_NO_NEWLINE, loc,
                                 static_cast<uint32_t>(line.size()), &needed, line.data());
    if (st == STF_ST_TRUNCATED && needed > line.size()) {
      line.resize(needed);
      STF_GetMessage(list, 1, STF_MSG_NO_NEWLINE, loc, needed, &needed, line.data());
    }
    fprintf(out, "0x%08x  %s\n", *code, line.data());
    if (Known(*code, loc) != 0) {
      fprintf(err, "kq explain: 0x%08x is not a code of this library (no catalogue text)\n", *code);
      if (rc == 0) rc = 1;
    }
  }
  STF_DeleteList(list);
  return rc;
}

namespace {

kq::tool::Command AddExplain(CLI::App &app) {
  struct Options {
    std::vector<std::string> codes;
    std::string locale;
  };
  static Options o;
  CLI::App *sub = app.add_subcommand(
      "explain", "Print the message line for each status code (hexadecimal or decimal)");
  sub->add_option("CODE", o.codes, "status codes, such as 0xc009008a")->required();
  sub->add_option("-l,--locale", o.locale, "locale whose catalogue texts are wanted");
  return {sub, [] { return kq_explain_run(o.codes, o.locale, stdout, stderr); }};
}
KQ_COMMAND(AddExplain);

}  // namespace
