#include "engine/link_step.h"

#include <utility>
#include <vector>

#include "engine/page_charset.h"
#include "links/any_anchor.h"
#include "links/avoid_list.h"
#include "links/link_target.h"
#include "links/tag_tokenizer.h"
#include "run/error_report.h"

namespace zelvora {
namespace {

LinkDecision Decision(LinkDecision::Kind kind) {
  LinkDecision decision;
  decision.kind = kind;
  return decision;
}

bool IsPassedOverSilently(TargetKind kind) {
  return kind == TargetKind::trWebLink || kind == TargetKind::trMailto ||
         kind == TargetKind::trJavaScript || kind == TargetKind::trTel ||
         kind == TargetKind::trNoPath;
}

}  // namespace

LinkDecision BeginLinkStep(RunContext& context, std::string_view tag_text,
                           std::string_view attribute, const std::string& scanned_file,
                           const std::string& charset, int tag_end_line) {
  using Kind = LinkDecision::Kind;
  const TSetting& settings = context.settings;
  if (!settings.LinkWrite) return Decision(Kind::kNotFollowed);
  ++context.state.LinkDepth;
  if (settings.RestrictLinkNest && context.state.LinkDepth > settings.MaxLinkNest) {
    return Decision(Kind::kPassedOver);
  }
  std::string raw_value;
  const bool has_value =
      settings.FollowAnyAnchor
          ? GetNamedAttribute(tag_text, attribute == "SRC" ? "SRC" : "HREF", &raw_value)
          : GetAttributeValue(tag_text, attribute, &raw_value);
  if (!has_value) return Decision(Kind::kPassedOver);
  const std::string value = DecodePageText(std::move(raw_value), charset);

  std::vector<std::string> targets;
  // Most links lead to pages already processed in this run: those need no lookup on disk.
  bool known_processed = false;
  const auto processed = [&context, &known_processed](const std::string& path) {
    known_processed = context.state.VisitedFiles.Contains(path);
    return known_processed;
  };
  const TargetKind kind = ResolveTarget(context.fs, value, scanned_file, &targets, processed,
                                        TargetSource::kLink, settings.SiteRoot);
  if (IsPassedOverSilently(kind)) return Decision(Kind::kPassedOver);
  if (kind == TargetKind::trNotFound) {
    const ReportLocation where{scanned_file, tag_end_line};
    const std::string cause = "次のファイルが見つかりません。\n" + value + "\n\n";
    const bool go_on = ReportAndAskOkCancel(context, cause, &where);
    return Decision(go_on ? Kind::kPassedOver : Kind::kAbort);
  }
  // A page already processed in this run is passed over, as its processing would do; the
  // avoid list need not be asked about it.
  if (known_processed || context.state.VisitedFiles.Contains(targets.front()) ||
      IsAvoided(context, targets.front())) {
    return Decision(Kind::kPassedOver);
  }

  LinkDecision follow = Decision(Kind::kFollow);
  follow.target = targets.front();
  follow.line = tag_end_line;
  return follow;
}

void EndLinkStep(RunContext& context, const std::string& scanned_file, int percent,
                 bool after_target) {
  --context.state.LinkDepth;
  if (!after_target) return;
  context.host.SetStatus(scanned_file + "に日付を書き込み中...");
  context.host.SetCurrentFile(scanned_file);
  context.host.SetPercent(percent);
}

}  // namespace zelvora
