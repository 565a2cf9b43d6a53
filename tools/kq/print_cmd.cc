// kq as a print client: submit, jobs, job, cancel, pause, resume, promote and
// printer-state, each one or a few protocol requests through client.h.
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "client.h"
#include "command.h"
#include "infra/genu.h"
#include "infra/jqp.h"
#include "internal/stf_scratch.h"

namespace {

using kq::tool::Client;
using kq::tool::RenderedAttr;

constexpr int kFailed = 1, kUsage = 2;

// The job or printer objects of one listing, all continuations followed.
struct Listing {
  std::vector<AS_setHandle_t> objects;
  std::vector<GEN_listResult_t *> pages;
  ~Listing() {
    kq::stf::ScratchList s;
    for (GEN_listResult_t *page : pages) FreeGEN_listResult(s, page);
  }
};

// Lists the objects of `objectClass` on the printer's server, those holding
// `selectBy` = `value` when an attribute is given; `requested` empty asks for all
// attributes.
bool List(Client &c, const std::string &printer, uint32_t objectClass, uint32_t selectBy,
          const std::string &value, const std::vector<uint32_t> &requested, Listing *out) {
  AS_setHandle_t common = c.Common(printer);
  AS_setHandle_t match = AS_nullSetHandle;
  GEN_Filter_t filter{};
  std::string why;
  if (selectBy) {
    match = c.NewSet();  // holds the value matched
    if (!c.AddValue(match, selectBy, value, &why)) {
      fprintf(c.err(), "kq: %s: %s\n", value.c_str(), why.c_str());
      return false;
    }
    filter.choice = 1;
    filter.u.item.choice = 1;
    AS_FindAttr(c.status(), match, selectBy, &filter.u.item.u.attribute);
  }
  std::vector<uint32_t> ids(requested);
  std::vector<GEN_ValueSeq_t> nodes(ids.size());
  for (size_t i = 0; i < ids.size(); i++)
    nodes[i] = {i + 1 < ids.size() ? &nodes[i + 1] : nullptr, &ids[i]};
  GEN_SetOfOids_t wanted{nodes.empty() ? nullptr : &nodes[0]};
  GEN_listResult_t *page = nullptr;
  bool ok = c.Run(printer, [&](STF_statusList_t *s, ERDPA_errorResult_t **error) {
    return JQP_ListObjectAttributes_C(s, objectClass, nullptr, selectBy ? &filter : nullptr,
                                      ids.empty() ? nullptr : &wanted, common, &page, error);
  });
  if (selectBy) AS_FreeAttrHandle(c.status(), &filter.u.item.u.attribute);
  while (ok && page) {
    out->pages.push_back(page);
    for (GEN_setOfObjectResult_t *o = page->resultSet; o; o = o->next)
      out->objects.push_back(o->value.attributes);
    if (!page->continuation) break;
    const GEN_listContext_t *context = page->continuation;
    page = nullptr;
    ok = c.Run(printer, [&](STF_statusList_t *s, ERDPA_errorResult_t **error) {
      return JQP_ListObjectAttributeContinuation_C(s, context, common, &page, error);
    });
  }
  return ok;
}

// The first rendered value of `name` among `attrs`, or "".
std::string Value(const std::vector<RenderedAttr> &attrs, uint32_t id) {
  const std::string name = GENU_ShortOIDToAscii(id);
  for (const RenderedAttr &a : attrs)
    if (a.name == name && !a.values.empty()) return a.values.front();
  return "";
}

std::string Json(const std::vector<RenderedAttr> &attrs) {
  std::string out = "{";
  for (size_t i = 0; i < attrs.size(); i++) {
    out += (i ? ", " : "") + kq::tool::JsonString(attrs[i].name) + ": [";
    for (size_t v = 0; v < attrs[i].values.size(); v++)
      out += (v ? ", " : "") + kq::tool::JsonString(attrs[i].values[v]);
    out += "]";
  }
  return out + "}";
}

bool NeedPrinter(Client &c, const char *command, std::string *printer) {
  *printer = kq::tool::DefaultPrinter(*printer);
  if (!printer->empty()) return true;
  fprintf(c.err(), "%s: no printer: give -P PRINTER or set PRINTER\n", command);
  return false;
}

int Submit(const std::string &given, const std::vector<std::string> &assignments,
           const std::vector<std::string> &files) {
  Client c("kq submit", stdout, stderr);
  std::string printer = given;
  if (!NeedPrinter(c, "kq submit", &printer)) return kUsage;
  AS_setHandle_t attrs = c.NewSet();
  for (const std::string &a : assignments) {
    std::string why;
    if (!c.AddAttribute(attrs, a, &why)) {
      fprintf(c.err(), "kq submit: %s\n", why.c_str());
      return kUsage;
    }
  }
  std::vector<std::string> data;
  for (const std::string &file : files) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      fprintf(c.err(), "kq submit: %s: cannot be read\n", file.c_str());
      return kFailed;
    }
    std::stringstream bytes;
    bytes << in.rdbuf();
    data.push_back(bytes.str());
  }
  GEN_SimpleName_t name{};
  name.choice = GEN_TEXT_STRING;
  if (printer.size() > GEN_SIMPLE_NAME_MAX) {
    fprintf(c.err(), "kq submit: %s: not a printer name\n", printer.c_str());
    return kUsage;
  }
  memcpy(name.u.string, printer.data(), printer.size());
  // Each file is one included document: the first with the new job, the others added.
  auto document = [](std::string &bytes, GEN_DocumentContent_t *content) {
    *content = {};
    content->choice = 1;
    content->u.external.choice = 2;
    content->u.external.u.octets = {static_cast<int32_t>(bytes.size()),
                                    reinterpret_cast<unsigned char *>(bytes.data())};
    return GEN_DocDescription_t{nullptr, content, nullptr, AS_nullSetHandle};
  };
  AS_setHandle_t common = c.Common(printer);
  GEN_DocumentContent_t content;
  GEN_DocDescription_t first = document(data[0], &content);
  GEN_Boolean_t incomplete = 0;
  GEN_printResult_t *result = nullptr;
  if (!c.Run(printer, [&](STF_statusList_t *s, ERDPA_errorResult_t **error) {
        return JQP_CreateJob_C(s, &name, data.size() > 1 ? &incomplete : nullptr, attrs, &first,
                               common, &result, error);
      }))
    return kFailed;
  const std::string job = result ? result->jobIdentification.value : "";
  kq::stf::ScratchList s;
  FreeGEN_printResult(s, result);
  for (size_t i = 1; i < data.size(); i++) {
    GEN_DocDescription_t next = document(data[i], &content);
    GEN_printResult_t *added = nullptr;
    if (!c.Run(printer, [&](STF_statusList_t *st, ERDPA_errorResult_t **error) {
          return JQP_AddDocument_C(st, job.c_str(), i + 1 < data.size() ? &incomplete : nullptr,
                                   &next, common, &added, error);
        }))
      return kFailed;
    FreeGEN_printResult(s, added);
  }
  fprintf(c.out(), "%s\n", job.c_str());
  return 0;
}

int Jobs(const std::string &given, bool longForm, bool json) {
  Client c("kq jobs", stdout, stderr);
  std::string printer = given;
  if (!NeedPrinter(c, "kq jobs", &printer)) return kUsage;
  Listing listing;
  std::vector<uint32_t> requested;
  if (!longForm && !json)
    requested = {kq::tool::kAttrJobIdentifier, kq::tool::kAttrJobState, kq::tool::kAttrPrinterName};
  if (!List(c, printer, kq::tool::kClassJob, given.empty() ? 0 : kq::tool::kAttrPrinterName,
            printer, requested, &listing))
    return kFailed;
  if (json) {
    fputs("[", c.out());
    for (size_t i = 0; i < listing.objects.size(); i++)
      fprintf(c.out(), "%s%s", i ? ",\n " : "", Json(c.Render(listing.objects[i])).c_str());
    fputs("]\n", c.out());
    return 0;
  }
  if (!longForm) fprintf(c.out(), "%-12s %-24s %s\n", "JOB", "STATE", "PRINTER");
  for (AS_setHandle_t job : listing.objects) {
    std::vector<RenderedAttr> attrs = c.Render(job);
    const std::string id = Value(attrs, kq::tool::kAttrJobIdentifier);
    if (longForm) {
      fprintf(c.out(), "job %s\n%s", id.c_str(), c.RenderSet(job).c_str());
      continue;
    }
    fprintf(c.out(), "%-12s %-24s %s\n", id.c_str(), Value(attrs, kq::tool::kAttrJobState).c_str(),
            Value(attrs, kq::tool::kAttrPrinterName).c_str());
  }
  return 0;
}

int ShowJob(const std::string &given, const std::string &job, bool json) {
  Client c("kq job", stdout, stderr);
  std::string printer = given;
  if (!NeedPrinter(c, "kq job", &printer)) return kUsage;
  Listing listing;
  if (!List(c, printer, kq::tool::kClassJob, kq::tool::kAttrJobIdentifier, job, {}, &listing))
    return kFailed;
  if (listing.objects.empty()) {
    fprintf(c.err(), "kq job: no job %s on the server of printer %s\n", job.c_str(),
            printer.c_str());
    return kFailed;
  }
  if (json)
    fprintf(c.out(), "%s\n", Json(c.Render(listing.objects.front())).c_str());
  else
    fputs(c.RenderSet(listing.objects.front()).c_str(), c.out());
  return 0;
}

int PrinterState(const std::string &printer, bool json) {
  Client c("kq printer-state", stdout, stderr);
  Listing listing;
  if (!List(c, printer, kq::tool::kClassPrinter, kq::tool::kAttrPrinterName, printer,
            {kq::tool::kAttrPrinterName, kq::tool::kAttrPrinterState}, &listing))
    return kFailed;
  if (listing.objects.empty()) {
    fprintf(c.err(), "kq printer-state: the server does not list printer %s\n", printer.c_str());
    return kFailed;
  }
  std::vector<RenderedAttr> attrs = c.Render(listing.objects.front());
  if (json)
    fprintf(c.out(), "%s\n", Json(attrs).c_str());
  else
    fprintf(c.out(), "%s: %s\n", printer.c_str(),
            Value(attrs, kq::tool::kAttrPrinterState).c_str());
  return 0;
}

// The operations on one job: what each sends, the job named by its identifier.
using JobCall = int (*)(STF_statusList_t *, const char *job, AS_setHandle_t common,
                        ERDPA_errorResult_t **);
int FreeSet(AS_setHandle_t *set) {
  kq::stf::ScratchList s;
  if (set) AS_Destroy(s, set), free(set);
  return 0;
}
const struct JobOperation {
  const char *name, *help, *done;
  JobCall call;
} kJobOperations[] = {
    {"cancel", "Cancel a job", "cancelled",
     [](STF_statusList_t *s, const char *job, AS_setHandle_t common, ERDPA_errorResult_t **e) {
       AS_setHandle_t *r = nullptr;
       int rc = JQP_CancelJob_C(s, job, nullptr, nullptr, nullptr, common, &r, e);
       return rc | FreeSet(r);
     }},
    {"pause", "Hold a job back from printing", "paused",
     [](STF_statusList_t *s, const char *job, AS_setHandle_t common, ERDPA_errorResult_t **e) {
       GEN_JobOrPrinter_t which{};
       which.tag = 1;
       snprintf(which.u.job, sizeof which.u.job, "%s", job);
       GEN_pauseJobResult_t *r = nullptr;
       int rc = JQP_PauseJob_C(s, &which, nullptr, common, &r, e);
       if (r) {
         kq::stf::ScratchList scratch;
         FreeGEN_pauseJobResult(scratch, r);
       }
       return rc;
     }},
    {"resume", "Let a paused job print again", "resumed",
     [](STF_statusList_t *s, const char *job, AS_setHandle_t common, ERDPA_errorResult_t **e) {
       AS_setHandle_t *r = nullptr;
       int rc = JQP_ResumeJob_C(s, job, nullptr, nullptr, common, &r, e);
       return rc | FreeSet(r);
     }},
    {"promote", "Move a job to the front of its printer's order", "promoted",
     [](STF_statusList_t *s, const char *job, AS_setHandle_t common, ERDPA_errorResult_t **e) {
       AS_setHandle_t *r = nullptr;
       int rc = JQP_PromoteJob_C(s, job, nullptr, common, &r, e);
       return rc | FreeSet(r);
     }},
};

int RunJobOperation(const JobOperation &op, const std::string &given, const std::string &job) {
  const std::string command = std::string("kq ") + op.name;
  Client c(command.c_str(), stdout, stderr);
  std::string printer = given;
  if (!NeedPrinter(c, command.c_str(), &printer)) return kUsage;
  AS_setHandle_t common = c.Common(printer);
  if (!c.Run(printer, [&](STF_statusList_t *s, ERDPA_errorResult_t **error) {
        return op.call(s, job.c_str(), common, error);
      }))
    return kFailed;
  fprintf(c.out(), "job %s %s\n", job.c_str(), op.done);
  return 0;
}

kq::tool::Command AddSubmit(CLI::App &app) {
  static std::string printer;
  static std::vector<std::string> attrs, files;
  CLI::App *sub = app.add_subcommand("submit", "Submit files as one print job; prints its id");
  sub->add_option("-P,--printer", printer, "the printer (default: PRINTER, LPDEST)");
  sub->add_option("-a,--attribute", attrs, "a job attribute NAME=VALUE (repeatable)")
      ->allow_extra_args(false);
  sub->add_option("files", files, "the documents")->required();
  return {sub, [] { return Submit(printer, attrs, files); }};
}
KQ_COMMAND(AddSubmit);

kq::tool::Command AddJobs(CLI::App &app) {
  static std::string printer;
  static bool longForm = false, json = false;
  CLI::App *sub = app.add_subcommand("jobs", "List the jobs of a print server");
  sub->add_option("-P,--printer", printer, "the printer whose jobs (default: PRINTER, LPDEST)");
  sub->add_flag("-l,--long", longForm, "every attribute of each job");
  sub->add_flag("--json", json, "a JSON array of the jobs' attributes");
  return {sub, [] { return Jobs(printer, longForm, json); }};
}
KQ_COMMAND(AddJobs);

kq::tool::Command AddJob(CLI::App &app) {
  static std::string printer, job;
  static bool json = false;
  CLI::App *sub = app.add_subcommand("job", "Show every attribute of a job");
  sub->add_option("-P,--printer", printer, "the job's printer (default: PRINTER, LPDEST)");
  sub->add_flag("--json", json, "one JSON object");
  sub->add_option("job", job, "the job identifier")->required();
  return {sub, [] { return ShowJob(printer, job, json); }};
}
KQ_COMMAND(AddJob);

kq::tool::Command AddPrinterState(CLI::App &app) {
  static std::string printer;
  static bool json = false;
  CLI::App *sub = app.add_subcommand("printer-state", "Show the state of a printer");
  sub->add_flag("--json", json, "one JSON object");
  sub->add_option("printer", printer, "the printer")->required();
  return {sub, [] { return PrinterState(printer, json); }};
}
KQ_COMMAND(AddPrinterState);

template <size_t N>
kq::tool::Command AddJobOperation(CLI::App &app) {
  static std::string printer, job;
  const JobOperation &op = kJobOperations[N];
  CLI::App *sub = app.add_subcommand(op.name, op.help);
  sub->add_option("-P,--printer", printer, "the job's printer (default: PRINTER, LPDEST)");
  sub->add_option("job", job, "the job identifier")->required();
  return {sub, [] { return RunJobOperation(kJobOperations[N], printer, job); }};
}
constexpr auto AddCancel = AddJobOperation<0>, AddPause = AddJobOperation<1>,
               AddResume = AddJobOperation<2>, AddPromote = AddJobOperation<3>;
KQ_COMMAND(AddCancel);
KQ_COMMAND(AddPause);
KQ_COMMAND(AddResume);
KQ_COMMAND(AddPromote);

}  // namespace
