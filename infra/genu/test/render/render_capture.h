// Renderings read back from a captured service log.
#ifndef KQ_INFRA_GENU_TEST_RENDER_RENDER_CAPTURE_H
#define KQ_INFRA_GENU_TEST_RENDER_RENDER_CAPTURE_H

#include <gtest/gtest.h>

#include <string>

#include "../support/genv_test_support.h"
#include "infra/svclog.h"

namespace kq::genu::test {

// Runs `emit` inside an open X message and gives back the text it added: every
// line of the message with its head (severity, thread, stamp and " | ") removed.
template <typename Fn>
std::string Captured(Fn emit) {
  kq::test::LogCapture log("X");
  EXPECT_EQ(LOG_StartMessage(5, nullptr, 0, nullptr), 1);
  emit();
  LOG_EndMessage();
  std::string text;
  for (const std::string &line : kq::test::Lines(log.Text())) {
    size_t bar = line.find(" | ");
    text += (bar == std::string::npos ? line : line.substr(bar + 3)) + "\n";
  }
  return text;
}

inline GEN_Text_t TextOf(const char *s) { return MakeText(GEN_TEXT_STRING, s); }
inline GEN_SimpleName_t NameOf(const char *s) { return MakeName(GEN_TEXT_ISO646, s); }
inline GEN_NameOrOID_t NoidOf(const char *s) { return GEN_NameOrOID_t{2, {.name = NameOf(s)}}; }
inline GEN_NameOrOID_t NoidOf(uint32_t oid) { return GEN_NameOrOID_t{1, {.oid = oid}}; }

// Short OIDs of the compiled table and their names.
constexpr uint32_t kJobName = 133;       // id-att-job-name, simple name values
constexpr uint32_t kJobPriority = 241;   // id-att-job-priority
constexpr uint32_t kCopyCount = 352;     // id-att-copy-count, cardinal values
constexpr uint32_t kDocFormat = 451;     // id-att-document-format
constexpr uint32_t kResultsProf = 1059;  // id-att-results-profile

}  // namespace kq::genu::test

#endif
