// Compare rules and random-value fix-ups that layouts refer to.
#ifndef KQ_GENU_HOOKS_H
#define KQ_GENU_HOOKS_H

#include <random>

#include "infra/genu.h"

// Set while a GEN_BinCompare* runs: the compares of texts, simple names and
// distinguished name strings then take their bytewise form.
extern thread_local int genu_bytewiseTexts;
// Runs `fn` with texts compared bytewise.
template <typename Fn>
uint32_t genu_WithBytewiseTexts(Fn fn);
template <typename Fn>
uint32_t genu_WithBytewiseTexts(Fn fn) {
  int saved = genu_bytewiseTexts;
  genu_bytewiseTexts = 1;
  uint32_t rc = fn();
  genu_bytewiseTexts = saved;
  return rc;
}

void genu_RandomTime(void *rec, std::mt19937 &rng);
void genu_RandomCounted(void *rec, std::mt19937 &rng);  // records with a 16-bit count first
void genu_RandomAcl(void *rec, std::mt19937 &rng);
void genu_RandomSubStrings(void *rec, std::mt19937 &rng);
void genu_RandomExtAcl(void *rec, std::mt19937 &rng);
void genu_RandomFastFilter(void *rec, std::mt19937 &rng);
void genu_RandomPreprocessor(void *rec, std::mt19937 &rng);
void genu_RandomExternal(void *rec, std::mt19937 &rng);
void genu_RandomSocket(void *rec, std::mt19937 &rng);
void genu_RandomFilter(void *rec, std::mt19937 &rng);

#endif
