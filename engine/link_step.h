// The link step: what the scan of a page does at an anchor or frame tag. With link following
// on, it reads the link's target, resolves and filters it, and asks for the target to be
// stamped before the scan of the linking page goes on (depth first).
//
// The step is split in two around the stamping of the target, so that the walk can keep the
// suspended scans of linking pages on a stack of its own instead of the machine stack:
// BeginLinkStep decides, the walk stamps the target, EndLinkStep restores the depth and the
// progress display.
#pragma once

#include <string>
#include <string_view>

#include "run/run_context.h"

namespace zelvora {

struct LinkDecision {
  enum class Kind {
    kNotFollowed,  // link following is off: nothing happened, EndLinkStep is not called
    kPassedOver,   // the link is passed over: call EndLinkStep
    kFollow,       // stamp `target` (referred from line `line`), then call EndLinkStep
    kAbort,        // the run is to be aborted
  };
  Kind kind = Kind::kNotFollowed;
  std::string target;
  int line = 0;
};

// Decides what to do with the link tag `tag_text` (raw page bytes) of the scanned page
// `scanned_file`, whose text declares `charset`. `attribute` is "SRC" for a frame and
// "A HREF" for an anchor; `tag_end_line` is the line on which the tag ends. With
// FollowAnyAnchor on, the value is the tag's SRC or HREF attribute by the modern grammar
// (links/any_anchor.h). Raises the link depth unless link following is off. A target that
// cannot be found is reported (OK/Cancel).
LinkDecision BeginLinkStep(RunContext& context, std::string_view tag_text,
                           std::string_view attribute, const std::string& scanned_file,
                           const std::string& charset, int tag_end_line);

// Ends a link step that BeginLinkStep did not leave as kNotFollowed or kAbort: lowers the
// depth and, after a followed target (whose scan showed its own file), shows the scanned
// file and its progress `percent` again. A link passed over changed nothing on show.
void EndLinkStep(RunContext& context, const std::string& scanned_file, int percent,
                 bool after_target);

}  // namespace zelvora
