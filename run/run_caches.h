// What the layers above the run core remember for the length of one run (the avoid-list sets
// of the link layer, the dates of date sources and what git said, of the engine), kept in the
// run's state without the run core knowing their types.
#pragma once

#include <memory>
#include <typeindex>
#include <unordered_map>

namespace zelvora {

class RunCaches {
 public:
  // The run's cache of type `Cache`, made (default-constructed) on first use. The reference
  // stays valid until Clear.
  template <class Cache>
  Cache& Of() {
    std::shared_ptr<void>& slot = caches_[std::type_index(typeid(Cache))];
    if (!slot) slot = std::make_shared<Cache>();
    return *static_cast<Cache*>(slot.get());
  }

  // Drops every cache: the next Of makes a fresh one.
  void Clear() { caches_.clear(); }

 private:
  std::unordered_map<std::type_index, std::shared_ptr<void>> caches_;
};

}  // namespace zelvora
