// The bindings a pts registry service holds: (object name, type) to the program
// and version the object's server listens under.
#ifndef KQ_TOOLS_KQPTSD_REGISTRY_H
#define KQ_TOOLS_KQPTSD_REGISTRY_H

#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace kq::pts {

class Registry {
 public:
  struct Binding {
    unsigned long program = 0;
    unsigned long version = 0;
  };
  // Adds or replaces a binding; false for an empty name.
  bool Add(const std::string &name, int type, Binding binding);
  // False when there was no such binding.
  bool Delete(const std::string &name, int type);
  bool Get(const std::string &name, int type, Binding *out) const;
  size_t Size() const;

 private:
  mutable std::mutex mutex_;
  std::map<std::pair<std::string, int>, Binding> bindings_;
};

}  // namespace kq::pts

#endif
