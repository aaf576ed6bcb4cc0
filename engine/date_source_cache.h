// The newest last-write date of each item of the date-source lists met in a run (a folder, a
// wildcard pattern or a file), worked out once per run: a site whose pages are all dated by
// one large folder would otherwise look at every file of that folder again for every page.
// An item is forgotten when a file in its folder is written by the run.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/date_time.h"

namespace zelvora {

class DateSourceCache {
 public:
  struct Newest {
    std::optional<FileTime> last_write;  // the newest last-write time among the item's files
    std::string file;                    // the first file in the item's order with that time
  };

  // What is known of the item `name` as written in a page of folder `base_folder`.
  const Newest* Find(const std::string& base_folder, const std::string& name) const;
  // Remembers an item whose files all lie in `folder` (with its trailing "/").
  void Store(const std::string& base_folder, const std::string& name, const std::string& folder,
             Newest newest);
  // Forgets every item with files in `folder` (with its trailing "/").
  void ForgetFolder(const std::string& folder);
  void Clear() { items_.clear(); }

 private:
  struct Item {
    std::string folder;
    Newest newest;
  };
  static std::string Key(const std::string& base_folder, const std::string& name);
  std::map<std::string, Item> items_;
};

}  // namespace zelvora
