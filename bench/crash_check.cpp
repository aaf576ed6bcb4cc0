#include "bench/crash_check.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace zelvora::bench {
namespace {

constexpr char kPageSuffix[] = ".html";

bool IsPage(const std::string& path) { return path.ends_with(kPageSuffix); }

std::string NamePart(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FirstGeneration(const std::string& page) {
  return page.substr(0, page.size() - (sizeof kPageSuffix - 1)) + "_Bak1.bak";
}

// Judges the files that are neither pages nor assets: generations must hold their page's
// generated text; temporary files are counted; anything else is a violation.
void CheckExtraFile(const ExpectedSite& expected, const std::string& path, const FileState& state,
                    SiteCheck& check) {
  if (IsTemporaryFileName(NamePart(path))) {
    ++check.temporaries;
    return;
  }
  const std::string owner = BackupOwner(expected.pristine, path);
  if (owner.empty()) {
    check.violations.push_back("unexpected file " + path);
    return;
  }
  ++check.backups;
  if (state.bytes != expected.pristine.at(owner).bytes) {
    check.violations.push_back("generation " + path + " differs from the generated " + owner);
  }
}

// Walks `now`: pages through `check_page`, assets unchanged, the rest through CheckExtraFile;
// then reports pages and assets that are missing.
template <typename PageCheck>
SiteCheck CheckTree(const ExpectedSite& expected, const TreeSnapshot& now, PageCheck check_page) {
  SiteCheck check;
  for (const auto& [path, state] : now) {
    const auto generated = expected.pristine.find(path);
    if (generated == expected.pristine.end()) {
      CheckExtraFile(expected, path, state, check);
    } else if (IsPage(path)) {
      check_page(path, state, generated->second, check);
    } else if (state.bytes != generated->second.bytes) {
      check.violations.push_back("asset changed: " + path);
    }
  }
  for (const auto& [path, state] : expected.pristine) {
    if (!now.contains(path)) check.violations.push_back("missing: " + path);
  }
  return check;
}

// The generation number of a name that BackupOwner accepted ("a/b_Bak3.bak" -> 3).
int GenerationNumber(const std::string& path) { return path[path.size() - 5] - '0'; }

// The age of `bytes` in the history of `page` (0 stamped, 1 generated, 2 the older generation
// 1, ...), or -1 when the page never held them.
int AgeInHistory(const ExpectedSite& expected, const TreeSnapshot& older, const std::string& page,
                 const std::string& bytes) {
  if (bytes == expected.reference.at(page).bytes) return 0;
  if (bytes == expected.pristine.at(page).bytes) return 1;
  const std::string stem = page.substr(0, page.size() - (sizeof kPageSuffix - 1));
  for (int n = 1; n <= 9; ++n) {
    const auto generation = older.find(stem + "_Bak" + std::to_string(n) + ".bak");
    if (generation != older.end() && generation->second.bytes == bytes) return n + 1;
  }
  return -1;
}

// The number of texts in the history of `page`.
int HistoryLength(const TreeSnapshot& older, const std::string& page) {
  const std::string stem = page.substr(0, page.size() - (sizeof kPageSuffix - 1));
  int length = 2;
  for (int n = 1; n <= 9; ++n) length += older.contains(stem + "_Bak" + std::to_string(n) + ".bak");
  return length;
}

// Judges the generations of one page whose own text has age `page_age`: by generation
// number, strictly older texts, and every text older than the page's present.
void CheckGenerationOrder(const std::string& page, int page_age, const std::map<int, int>& ages,
                          int history_length, SiteCheck& check) {
  int last = page_age;
  for (const auto& [number, age] : ages) {
    if (age <= last) {
      check.violations.push_back(
          "generation " + std::to_string(number) + " of " + page +
          (age == page_age ? " holds the page's own text" : " is out of order or held twice"));
    }
    last = std::max(last, age);
  }
  for (int age = page_age + 1; age < history_length; ++age) {
    const bool kept = std::any_of(ages.begin(), ages.end(),
                                  [age](const auto& entry) { return entry.second == age; });
    if (!kept) {
      check.violations.push_back("text of age " + std::to_string(age) + " of " + page + " lost");
    }
  }
}

}  // namespace

bool IsTemporaryFileName(const std::string& name) {
  constexpr std::string_view kPrefix = ".zelvora-";
  constexpr std::string_view kSuffix = ".tmp";
  if (name.size() != kPrefix.size() + 16 + kSuffix.size()) return false;
  if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return false;
  for (size_t i = kPrefix.size(); i < kPrefix.size() + 16; ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(name[i])) ||
        std::isupper(static_cast<unsigned char>(name[i]))) {
      return false;
    }
  }
  return true;
}

std::string BackupOwner(const TreeSnapshot& pristine, const std::string& path) {
  if (!path.ends_with(".bak")) return {};
  const size_t marker = path.rfind("_Bak");
  if (marker == std::string::npos) return {};
  const std::string digits = path.substr(marker + 4, path.size() - 4 - (marker + 4));
  if (digits.empty() || digits.size() > 1 || !std::isdigit(static_cast<unsigned char>(digits[0]))) {
    return {};
  }
  const std::string page = path.substr(0, marker) + kPageSuffix;
  return pristine.contains(page) ? page : std::string();
}

SiteCheck CheckInterrupted(const ExpectedSite& expected, const TreeSnapshot& now) {
  return CheckTree(expected, now,
                   [&](const std::string& path, const FileState& state, const FileState& generated,
                       SiteCheck& check) {
                     const FileState& stamped = expected.reference.at(path);
                     if (state.bytes == stamped.bytes) {
                       ++check.stamped_pages;
                       if (state.mtime != stamped.mtime) {
                         check.violations.push_back("stamped page lost its kept time: " + path);
                       }
                     } else if (state.bytes != generated.bytes) {
                       check.violations.push_back("page neither generated nor stamped: " + path);
                     } else if (state.mtime != generated.mtime) {
                       check.violations.push_back("unwritten page has a new time: " + path);
                     }
                   });
}

SiteCheck CheckCompleted(const ExpectedSite& expected, const TreeSnapshot& now) {
  SiteCheck check = CheckTree(
      expected, now,
      [&](const std::string& path, const FileState& state, const FileState&, SiteCheck& c) {
        const FileState& stamped = expected.reference.at(path);
        if (state.bytes != stamped.bytes) {
          c.violations.push_back("page differs from the reference: " + path);
        } else if (state.mtime != stamped.mtime) {
          c.violations.push_back("page time differs from the reference: " + path);
        } else {
          ++c.stamped_pages;
        }
      });
  for (const auto& [path, state] : expected.pristine) {
    if (IsPage(path) && expected.reference.at(path).bytes != state.bytes &&
        !now.contains(FirstGeneration(path))) {
      check.violations.push_back("no generation 1 of " + path);
    }
  }
  return check;
}

SiteCheck CheckHistory(const ExpectedSite& expected, const TreeSnapshot& older,
                       const TreeSnapshot& now, bool completed) {
  SiteCheck check;
  std::map<std::string, int> page_ages;
  std::map<std::string, std::map<int, int>> generation_ages;  // page -> number -> age
  for (const auto& [path, state] : now) {
    const auto generated = expected.pristine.find(path);
    if (generated != expected.pristine.end() && IsPage(path)) {
      const FileState& stamped = expected.reference.at(path);
      if (state.bytes == stamped.bytes) {
        ++check.stamped_pages;
        page_ages[path] = 0;
        if (state.mtime != stamped.mtime) {
          check.violations.push_back("stamped page lost its kept time: " + path);
        }
      } else if (state.bytes == generated->second.bytes && !completed) {
        page_ages[path] = 1;
        if (state.mtime != generated->second.mtime) {
          check.violations.push_back("unwritten page has a new time: " + path);
        }
      } else {
        check.violations.push_back((completed ? "page differs from the reference: "
                                              : "page neither generated nor stamped: ") +
                                   path);
      }
    } else if (generated != expected.pristine.end()) {
      if (state.bytes != generated->second.bytes) {
        check.violations.push_back("asset changed: " + path);
      }
    } else if (IsTemporaryFileName(NamePart(path))) {
      ++check.temporaries;
    } else if (const std::string owner = BackupOwner(expected.pristine, path); !owner.empty()) {
      ++check.backups;
      const int age = AgeInHistory(expected, older, owner, state.bytes);
      if (age < 0) {
        check.violations.push_back("generation " + path + " holds a foreign text");
      } else {
        generation_ages[owner][GenerationNumber(path)] = age;
      }
    } else {
      check.violations.push_back("unexpected file " + path);
    }
  }
  for (const auto& [path, state] : expected.pristine) {
    if (!now.contains(path)) {
      check.violations.push_back("missing: " + path);
    } else if (const auto age = page_ages.find(path); age != page_ages.end()) {
      CheckGenerationOrder(path, age->second, generation_ages[path], HistoryLength(older, path),
                           check);
    }
  }
  return check;
}

SiteCheck CheckFirstStamp(const TreeSnapshot& pristine, const TreeSnapshot& stamped) {
  const ExpectedSite expected{pristine, {}};
  SiteCheck check = CheckTree(expected, stamped,
                              [&](const std::string& path, const FileState& state,
                                  const FileState& generated, SiteCheck& c) {
                                if (state.bytes == generated.bytes) {
                                  c.violations.push_back("page not stamped: " + path);
                                  return;
                                }
                                ++c.stamped_pages;
                                if (state.mtime != generated.mtime) {
                                  c.violations.push_back("page did not keep its time: " + path);
                                }
                                if (!stamped.contains(FirstGeneration(path))) {
                                  c.violations.push_back("no generation 1 of " + path);
                                }
                              });
  return check;
}

}  // namespace zelvora::bench
