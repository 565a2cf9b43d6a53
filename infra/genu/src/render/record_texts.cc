// The labels of the records rendered by the layout walk, one FieldText per field
// of the record's layout, in the layout's order.
#include <iterator>

#include "private/genu_render_int.h"

namespace kq::genu {

namespace {

using F = FieldText;
constexpr F kHidden{};

const F kRpc[] = {{.label = "name-binding:\t"}, {.label = ""}};
const F kOnc[] = {{.label = "host: "},
                  {.label = "program: "},
                  {.label = "version: "},
                  {.label = "procedure: "},
                  {.label = "\tauthName:"}};
// A document object reference: both lines begin with their newline.
const F kDor[] = {kHidden,
                  {.label = "\n\tlocal-reference: specific-reference: ", .end = ""},
                  {.label = "\n\tdata-object-type: ", .show = Show::kOid, .end = ""},
                  kHidden,
                  kHidden};
const F kCardOrNoid[] = {{.label = " cardinal value: "}, {.label = " NOID value: "}};
const F kPosIntOrOid[] = {{.label = "PosInt: "}, {.label = "Oid: ", .show = Show::kOid}};
const F kCardOrOid[] = {{.label = "Cardinal: "}, {.label = "Oid: ", .show = Show::kOid}};
const F kDelAddr[] = {
    {.label = "DA-X400.mhs: /"},  {.label = "(dist name)", .show = Show::kFixed, .other = ""},
    {.label = "(text) "},         {.label = "(dor)"},
    {.label = "(octet string) "}, {.label = "(dist name string) "},
    {.label = "(rpc address) "}};
const F kPrivileges[] = {{.label = "\toperation-PAC: "}, {.label = "\tproxy-PAC: "}};
const F kEhp[] = {{.label = "\tehpEvents: ", .show = Show::kOid},
                  {.label = "\tehpDeliveryMethod: ", .show = Show::kOid},
                  {.label = "\tehpEventComment: "},
                  {.label = "\tehpDeliveryAddr: "},
                  {.label = "\tehpLocale: "}};
const F kResults[] = {{.label = "\tres-prof: delivery-method = ", .show = Show::kOid},
                      {.label = "\tres-prof: message = "},
                      {.label = "\tres-prof: delivery-address = "},
                      {.label = "\tres-prof: job-copies = "},
                      {.label = "\tres-prof: ouput-bin = "}};
const F kPageId[] = {{.label = "NUMERIC: "}, {.label = "ALPHANUMERIC: "}, {.label = "TAG: "}};
const F kPageSelect[] = {{.label = "Beginning Page: "}, {.label = "Ending Page: "}};
const F kPageMedia[] = {
    {.label = "Beginning Page: "}, {.label = "Ending Page: "}, {.label = "Medium: "}};
const F kMediaSelect[] = {{.label = "Medium for ALL: "}, {.label = ""}};
const F kTrayMedium[] = {{.label = "Input Tray: "}, {.label = "Medium: "}};
const char *const kFilterTypes[] = {"GEN_TRANSLATION\n", "GEN_MODIFICATION\n", "GEN_DEVICE_TEE\n"};
const F kFastFilter[] = {{.label = "Name: "},
                         {.label = "Fast Filter Type: ",
                          .show = Show::kEnum,
                          .absent = "NULL POINTER\n",
                          .names = kFilterTypes,
                          .count = 3,
                          .other = "Abormal value!\n",
                          .end = ""},
                         {.label = "Input format: "},
                         {.label = "Output format: "},
                         {.label = "Text: "}};
const F kDocFormat[] = {{.label = "", .show = Show::kOid}, {.label = ""}, {.label = ""}};
const F kNewJobId[] = {{.label = "New Job Identifier Server Name: "},
                       {.label = "New Job Identifier Local Identifier: "}};
const F kOidCardMap[] = {
    {.label = "Oid Cardinal Map OID: ", .show = Show::kOid, .absent = "null\n"},
    {.label = "Cardinal Value: "}};
const F kMediaConsumed[] = {
    {.label = "Media Consumed print-type: "},
    {.label = "", .show = Show::kFixed, .other = "media-size: not yet implemented\n", .end = ""},
    {.label = "printed-impressions: "},
    {.label = "consumed-media-sheets: "}};
const char *const kPreTypes[] = {"GEN_PRESCANNER\n", "GEN_MODIFICATION_FILTER\n",
                                 "GEN_TRANSLATION_FILTER\n"};
const char *const kExecTypes[] = {"GEN_EXECUTABLE\n", "GEN_LIBRARY\n"};
const F kPreprocessor[] = {{.label = "Name: "},
                           {.label = "Preprocessor type: ",
                            .show = Show::kEnum,
                            .names = kPreTypes,
                            .count = 3,
                            .other = "Abormal value!\n",
                            .end = ""},
                           {.label = "Executable type: ",
                            .show = Show::kEnum,
                            .names = kExecTypes,
                            .count = 2,
                            .other = "Abormal value!\n",
                            .end = ""},
                           {.label = "Path name: "},
                           {.label = "Attribute pattern: ",
                            .show = Show::kFixed,
                            .absent = "NULL\n",
                            .other = "Don't know how to echo filters within GENU\n",
                            .end = ""},
                           {.label = "Attributes to set: "},
                           {.label = "deltatime time out: ", .absent = "Not set\n"},
                           {.label = "Input formats: "},
                           {.label = "Output formats: "}};
const F kDriver[] = {{.label = "Name: "},         {.label = "OID: ", .show = Show::kOid},
                     {.label = "Manufacturer: "}, {.label = "Model: "},
                     {.label = "Version: "},      {.label = "Description: "},
                     {.label = "Files: "},        {.label = "Alias: "},
                     {.label = "Comment: "}};
const F kIgnored[] = {{.label = "docNumber optional: "}, {.label = ""}};
constexpr const char *kNotSpecified = "OPTION not specified\n";
const F kCheckpoint[] = {{.label = "\t\tprinter-name = ", .absent = kNotSpecified},
                         {.label = "\t\tjob-copies-completed = ", .absent = kNotSpecified},
                         {.label = "\t\tcopies-completed = ", .absent = kNotSpecified},
                         {.label = "\t\tpages-completed = ", .absent = kNotSpecified},
                         {.label = "\t\toctets-completed = ", .absent = kNotSpecified},
                         {.label = "\t\tcontext-info = "},
                         {.label = "\t\tcheckpoint-format = ", .show = Show::kOid}};

#define GENU_RT(R, table, ...) \
  RecordText { .layout = &k##R##Layout, .fields = table, .count = std::size(table), __VA_ARGS__ }
const RecordText kTexts[] = {
    GENU_RT(RPCAddress, kRpc, .badChoice = "Invalid RPC Address\n"),
    GENU_RT(ONCBinding, kOnc),
    GENU_RT(FileReference, kDor, .end = "\n"),
    GENU_RT(Dor, kDor, .end = "\n"),
    GENU_RT(CardinalOrNoid, kCardOrNoid, .badChoice = "Bad CardOrNoid Choice\n"),
    GENU_RT(PosIntOrOid, kPosIntOrOid, .badChoice = "Bad PosIntOrOid Choice\n"),
    GENU_RT(CardinalOrOid, kCardOrOid, .badChoice = "Bad CardinalOrOid Choice\n"),
    GENU_RT(DeliveryAddress, kDelAddr, .badChoice = "unknown=%d\n"),
    GENU_RT(Privileges, kPrivileges),
    GENU_RT(EventHandlingProfile, kEhp),
    GENU_RT(ResultsProfile, kResults),
    GENU_RT(PageIdentifier, kPageId, .badChoice = "Bad ID:%d\n"),
    GENU_RT(PageSelect, kPageSelect),
    GENU_RT(PageMediaSelect, kPageMedia),
    GENU_RT(MediaSelect, kMediaSelect, .badChoice = "bad media select choice\n"),
    GENU_RT(InputTrayMedium, kTrayMedium),
    GENU_RT(FastFilterDef, kFastFilter),
    GENU_RT(DocumentFormat, kDocFormat),
    GENU_RT(NewJobIdentifier, kNewJobId),
    GENU_RT(OidCardinalMap, kOidCardMap),
    GENU_RT(MediaConsumed, kMediaConsumed),
    GENU_RT(PreprocessorDefinition, kPreprocessor),
    GENU_RT(DriverInfo, kDriver),
    GENU_RT(IgnoredAttribute, kIgnored),
    GENU_RT(Checkpoint, kCheckpoint),
};

}  // namespace

const RecordText *RecordTextOf(const Layout *layout) {
  for (const RecordText &t : kTexts)
    if (t.layout == layout) return &t;
  return nullptr;
}

size_t RecordTextCount(const RecordText **all) {
  *all = kTexts;
  return sizeof kTexts / sizeof kTexts[0];
}

}  // namespace kq::genu
