// Linked into every test program: one run by hand, outside ctest, finds the message
// catalogues and data staged in its own build tree, as ctest's QV_ROOT gives them.
// A QV_ROOT set (not empty) by the caller is kept.
#include <cstdlib>

namespace {

const bool stageRoot = [] {
  const char *root = getenv("QV_ROOT");
  return (root && *root) || setenv("QV_ROOT", KQ_TEST_STAGE, 1) == 0;
}();

}  // namespace
