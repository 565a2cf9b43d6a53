// What every kq subcommand needs before it touches the library.
#ifndef KQ_TOOLS_KQ_RUNTIME_H
#define KQ_TOOLS_KQ_RUNTIME_H

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kq::tool {

// Points the message catalogues at the build's staged data when QV_ROOT is not
// set, and opens the catalogues under the application name "KQCLI". Idempotent.
void StartMessages();

// The OID registry kq reads without -d: the one under QV_ROOT (the build's stage when
// QV_ROOT is not set and the stage exists), else the installed one.
std::string RegistryDir();

// The text that `emit` writes into one information message of the service log, whose
// file is `logFile`, without the log's stamps; "" when the log does not take it.
std::string LoggedText(const std::string &logFile, const std::function<void()> &emit);

// A status code written in hexadecimal ("0xc009008a" or "c009008a") or decimal.
std::optional<uint32_t> ParseCode(const std::string &text);

}  // namespace kq::tool

#endif
