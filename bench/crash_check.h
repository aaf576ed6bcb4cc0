// The checks of the crash test: what a site folder may hold after a stamp run was killed at
// an arbitrary moment, and after a later run completed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "bench/bench_process.h"

namespace zelvora::bench {

// The two states a page may legitimately be in: as generated, and as stamped by a complete
// run (content and last-write time).
struct ExpectedSite {
  TreeSnapshot pristine;   // every file of the generated site
  TreeSnapshot reference;  // the same site after one complete run (backups included)
};

struct SiteCheck {
  size_t stamped_pages = 0;  // pages holding their stamped text
  size_t backups = 0;        // backup generations present
  size_t temporaries = 0;    // temporary files present
  std::vector<std::string> violations;
};

// True for the name part of a temporary file of a page write: ".zelvora-", 16 lowercase
// hexadecimal digits, ".tmp".
bool IsTemporaryFileName(const std::string& name);

// The page whose generation `path` is ("a/b_Bak2.bak" -> "a/b.html" when that page exists
// in `pristine`); empty when `path` names no generation of a page.
std::string BackupOwner(const TreeSnapshot& pristine, const std::string& path);

// After a killed run: every page is whole, either as generated or as stamped (with its
// last-write time), every asset is untouched, every generation holds the page as generated,
// and nothing else is there apart from temporary files.
SiteCheck CheckInterrupted(const ExpectedSite& expected, const TreeSnapshot& now);

// After a complete run: every page is as stamped (content and last-write time) and has its
// first generation, every generation holds the page as generated, every asset is untouched.
// Temporary files are counted, not judged.
SiteCheck CheckCompleted(const ExpectedSite& expected, const TreeSnapshot& now);

// The judgement of a run that met injected failures (of reads, writes, renames, links), where
// each page already had generations before the run (`older`: path to text, such as
// "a/b_Bak1.bak"). A page's history is, newest first: its stamped text, its generated text,
// then its older generations in order. After the faulted run (`completed` false) every page
// is whole, as generated or as stamped with its time; after a later complete run (`completed`
// true) every page is as stamped. In both, the generations of each page hold, from
// generation 1 upwards, texts of its history older than the page's own, newest first, each
// once, none lost (numbers may be skipped). A failed replace that left its rotation in place
// shows as a generation holding the page's current text, or as one text held twice. Assets
// are untouched; temporary files are counted, not judged.
SiteCheck CheckHistory(const ExpectedSite& expected, const TreeSnapshot& older,
                       const TreeSnapshot& now, bool completed);

// After the first complete run of a pristine site, `stamped` compared with `expected.pristine`:
// every page changed, kept its last-write time, and has generation 1 holding its old text.
SiteCheck CheckFirstStamp(const TreeSnapshot& pristine, const TreeSnapshot& stamped);

}  // namespace zelvora::bench
