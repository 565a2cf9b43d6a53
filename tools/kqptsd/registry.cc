#include "registry.h"

namespace kq::pts {

bool Registry::Add(const std::string &name, int type, Binding binding) {
  if (name.empty()) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  bindings_[{name, type}] = binding;
  return true;
}

bool Registry::Delete(const std::string &name, int type) {
  std::lock_guard<std::mutex> lock(mutex_);
  return bindings_.erase({name, type}) > 0;
}

bool Registry::Get(const std::string &name, int type, Binding *out) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = bindings_.find({name, type});
  if (it == bindings_.end()) return false;
  *out = it->second;
  return true;
}

size_t Registry::Size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return bindings_.size();
}

}  // namespace kq::pts
