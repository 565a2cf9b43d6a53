// Compare rules and random-value fix-ups that layouts refer to.
#ifndef KQ_GENU_HOOKS_H
#define KQ_GENU_HOOKS_H

#include <random>

#include "infra/genu.h"

// Text, SimpleName and DistNameString compares that follow the current text
// mode: the collating compare normally, the bytewise one inside a GEN_BinCompare*.
uint32_t genu_TextRuleHook(STF_statusList_t *sl, const GEN_Text_t *a, const GEN_Text_t *b,
                           int32_t *r);
uint32_t genu_SimpleNameRuleHook(STF_statusList_t *sl, const GEN_SimpleName_t *a,
                                 const GEN_SimpleName_t *b, int32_t *r);
uint32_t genu_DistNameRuleHook(STF_statusList_t *sl, const GEN_DistNameString_t *a,
                               const GEN_DistNameString_t *b, int32_t *r);
// Runs `fn` with texts compared bytewise.
template <typename Fn>
uint32_t genu_WithBytewiseTexts(Fn fn);
extern thread_local int genu_bytewiseTexts;
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

#endif
