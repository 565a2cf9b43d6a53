// What kq's print-client commands share: one request run and its failure reported
// (the DPA error's description, the status list's message lines, or one line for the
// common set-up faults), attribute arguments NAME=VALUE parsed by the attribute's
// value type, and attribute sets rendered as text.
#ifndef KQ_TOOLS_KQ_CLIENT_H
#define KQ_TOOLS_KQ_CLIENT_H

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "infra/as.h"
#include "infra/erdpa.h"
#include "infra/stf.h"

namespace kq::tool {

// Well-known identifiers the client commands use.
inline constexpr uint32_t kClassJob = 87, kClassPrinter = 88;
inline constexpr uint32_t kAttrJobIdentifier = 1057, kAttrJobState = 248, kAttrPrinterName = 649,
                          kAttrPrinterState = 654;

// One attribute's rendering: its name and each value as text.
struct RenderedAttr {
  std::string name;
  std::vector<std::string> values;
};

class Client {
 public:
  // `command` names the subcommand in messages ("kq submit").
  Client(const char *command, FILE *out, FILE *err);
  ~Client();
  Client(const Client &) = delete;
  Client &operator=(const Client &) = delete;

  FILE *out() const { return out_; }
  FILE *err() const { return err_; }
  STF_statusList_t *status() { return status_; }

  // A common-arguments set naming the printer, which chooses the server. Once a
  // request has connected, the name is taken out of every such set: the connection
  // then serves the command's later requests (a request naming a printer is connected
  // anew each time).
  AS_setHandle_t Common(const std::string &printer);
  // An empty attribute set, destroyed with the client.
  AS_setHandle_t NewSet();

  // Runs one operation (`call` returns the operation's 0 or 1 and leaves a DPA error in
  // its second argument). Reports any failure and returns false then.
  bool Run(const std::string &printer,
           const std::function<int(STF_statusList_t *, ERDPA_errorResult_t **)> &call);

  // Adds the attribute NAME=VALUE to `set`: the name resolved through the registry
  // (exact name, the same with "id-att-" before it, or an unambiguous abbreviation),
  // the value parsed by the attribute's value type. False with a one-line reason.
  bool AddAttribute(AS_setHandle_t set, const std::string &assignment, std::string *why);
  // Adds one value of attribute `id`, parsed from `text` by its value type.
  bool AddValue(AS_setHandle_t set, uint32_t id, const std::string &text, std::string *why);

  // The attributes of `set`, values rendered with the library's value rendering.
  std::vector<RenderedAttr> Render(AS_setHandle_t set);
  // The rendering of a set as the service log writes it.
  std::string RenderSet(AS_setHandle_t set);

 private:
  std::string Captured(const std::function<void()> &emit);
  bool OpenRenderLog();

  const char *command_;
  FILE *out_, *err_;
  STF_statusList_t *status_;
  std::vector<AS_setHandle_t> sets_, commons_;
  std::string renderDir_, renderFile_;
  bool renderable_ = false;
};

// JSON string literal of `text`.
std::string JsonString(const std::string &text);

// The printer of a job command: the one given, else PRINTER, else LPDEST; empty when
// none is known.
std::string DefaultPrinter(const std::string &given);

}  // namespace kq::tool

#endif
