// NULL-terminated pointer lists, grown in steps of 32 slots.
#include <cstdlib>
#include <cstring>

#include "infra/prt.h"
#include "private/prt_internal.h"

namespace {

constexpr size_t kStep = 32;

size_t Count(void **list) {
  size_t n = 0;
  if (list)
    while (list[n]) ++n;
  return n;
}

}  // namespace

void **list_append(void **list, void *item) {
  if (!item) return list;
  size_t count = Count(list);
  if (!list || (count + 1) % kStep == 0) {
    // A fresh array of count + 32 + 1 slots whenever the next slot would reach a
    // multiple of 32; the previous contents move over.
    void **grown = static_cast<void **>(calloc(count + kStep + 1, sizeof(void *)));
    if (!grown) return nullptr;
    if (list) memcpy(grown, list, count * sizeof(void *));
    free(list);
    list = grown;
  }
  list[count] = item;
  list[count + 1] = nullptr;
  return list;
}

void **list_append_unique(void **list, void *item, int (*cmp)(void *, void *)) {
  if (cmp && list_locate(list, cmp, item)) return list;
  return list_append(list, item);
}

void *list_locate(void **list, int (*cmp)(void *, void *), void *element) {
  if (!list || !cmp) return nullptr;
  for (; *list; ++list)
    if (cmp(*list, element) == 0) return *list;
  return nullptr;
}

void **list_concatenate(void **list1, void **list2) {
  if (!list2 || !*list2) return list1;
  // One new array for both (appending one by one counted list1 again for each item).
  size_t n1 = Count(list1), n2 = Count(list2);
  auto **joined = static_cast<void **>(calloc(n1 + n2 + kStep + 1, sizeof(void *)));
  if (!joined) return list1;
  if (list1) memcpy(joined, list1, n1 * sizeof(void *));
  memcpy(joined + n1, list2, n2 * sizeof(void *));
  free(list1);
  return joined;
}

int list_iterate(void **list, int (*fn)(void *, void *), void *arg) {
  int sum = 0;
  if (!list || !fn) return 0;
  for (; *list; ++list) sum += fn(*list, arg);
  return sum;
}

char **strsplit(char *string, const char *separators) {
  char **list = nullptr;
  if (!string || !separators) return nullptr;
  char *p = string;
  while (*p) {
    size_t skip = strspn(p, separators);
    p += skip;
    if (!*p) break;
    size_t len = strcspn(p, separators);
    char **grown = reinterpret_cast<char **>(list_append(reinterpret_cast<void **>(list), p));
    if (!grown) {
      free(list);
      return nullptr;
    }
    list = grown;
    p += len;
    if (*p) *p++ = '\0';
  }
  return list;
}

void **kq::prt::ListFromVector(const std::vector<void *> &items) {
  if (items.empty()) return nullptr;
  // Room for list_append to add up to kStep more items before it grows the array.
  auto **list = static_cast<void **>(calloc(items.size() + kStep + 1, sizeof(void *)));
  if (list) memcpy(list, items.data(), items.size() * sizeof(void *));
  return list;
}
