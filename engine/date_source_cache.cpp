#include "engine/date_source_cache.h"

#include <utility>

namespace zelvora {

std::string DateSourceCache::Key(const std::string& base_folder, const std::string& name) {
  // A NUL byte cannot occur in a path, so the two parts cannot run into each other.
  std::string key = base_folder;
  key += '\0';
  key += name;
  return key;
}

const DateSourceCache::Newest* DateSourceCache::Find(const std::string& base_folder,
                                                     const std::string& name) const {
  const auto found = items_.find(Key(base_folder, name));
  return found == items_.end() ? nullptr : &found->second.newest;
}

void DateSourceCache::Store(const std::string& base_folder, const std::string& name,
                            const std::string& folder, Newest newest) {
  items_.insert_or_assign(Key(base_folder, name), Item{folder, std::move(newest)});
}

void DateSourceCache::ForgetFolder(const std::string& folder) {
  std::erase_if(items_, [&folder](const auto& item) { return item.second.folder == folder; });
}

}  // namespace zelvora
