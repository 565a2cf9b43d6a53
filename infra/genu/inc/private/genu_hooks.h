// Compare rules and random-value fix-ups that layouts refer to.
#ifndef KQ_INFRA_GENU_INC_PRIVATE_GENU_HOOKS_H
#define KQ_INFRA_GENU_INC_PRIVATE_GENU_HOOKS_H

#include <random>

#include "infra/genu.h"

namespace kq::genu {

// Set while a GEN_BinCompare* runs: the compares of texts, simple names and
// distinguished name strings then take their bytewise form.
extern thread_local int bytewiseTexts;
// Runs `fn` with texts compared bytewise.
template <typename Fn>
uint32_t WithBytewiseTexts(Fn fn);
template <typename Fn>
uint32_t WithBytewiseTexts(Fn fn) {
  int saved = bytewiseTexts;
  bytewiseTexts = 1;
  uint32_t rc = fn();
  bytewiseTexts = saved;
  return rc;
}

void RandomTime(void *rec, std::mt19937 &rng);
void RandomCounted(void *rec, std::mt19937 &rng);  // records with a 16-bit count first
void RandomAcl(void *rec, std::mt19937 &rng);
void RandomSubStrings(void *rec, std::mt19937 &rng);
void RandomExtAcl(void *rec, std::mt19937 &rng);
void RandomFastFilter(void *rec, std::mt19937 &rng);
void RandomPreprocessor(void *rec, std::mt19937 &rng);
void RandomExternal(void *rec, std::mt19937 &rng);
void RandomSocket(void *rec, std::mt19937 &rng);
void RandomFilter(void *rec, std::mt19937 &rng);

}  // namespace kq::genu

#endif
