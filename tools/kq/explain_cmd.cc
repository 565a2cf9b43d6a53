#include "explain_cmd.h"

#include <vector>

#include "command.h"
#include "infra/stf.h"
#include "runtime.h"

int kq_explain_run(const std::vector<std::string> &codes, const std::string &locale, FILE *out,
                   FILE *err) {
  kq::tool::StartMessages();
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
    STF_ClearStatus(list);
    STF_AddStatus(list, *code, 0);
    uint32_t needed = 0;
    const char *loc = locale.empty() ? nullptr : locale.c_str();
    uint32_t st =
        STF_GetMessage(list, 1, 0, loc, static_cast<uint32_t>(line.size()), &needed, line.data());
    if (st == STF_ST_TRUNCATED && needed > line.size()) {
      line.resize(needed);
      STF_GetMessage(list, 1, 0, loc, needed, &needed, line.data());
    }
    fprintf(out, "0x%08x  %s", *code, line.data());
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
