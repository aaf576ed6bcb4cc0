#include "engine/stamp_scan.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "engine/date_format.h"
#include "engine/date_source_cache.h"
#include "engine/file_date.h"
#include "engine/git_dates.h"
#include "engine/link_step.h"
#include "engine/page_charset.h"
#include "links/any_anchor.h"
#include "links/link_target.h"
#include "platform/paths.h"
#include "run/error_report.h"

namespace zelvora {
namespace {

constexpr std::string_view kKeyword = "#ZELV#";
constexpr std::string_view kBeginWord = "($BEGIN)";
constexpr std::string_view kEndWord = "($END)";
constexpr std::string_view kBeginMark = "<!-- #ZELV#($BEGIN) -->";
constexpr std::string_view kEndMark = "<!-- #ZELV#($END) -->";

constexpr char kOrphanMark[] =
    "開始マークまたは終了マークに、対応するゼルヴォラマークがありません。\n\n";
constexpr char kEndWithoutBegin[] = "終了マークに、対応する開始マークがありません。\n\n";
constexpr char kBeginTwice[] = "開始マークが連続しています。\n\n";
constexpr char kBeginWithoutEnd[] = "開始マークに、対応する終了マークがありません。\n\n";
constexpr char kNameIsAddress[] = "ファイル名がＵＲＬで記述されています。\n\n";
constexpr char kNameIsScript[] = "ファイル名がＪavaＳcriptで記述されています。\n\n";
constexpr char kNameNotFound[] =
    " の正しいファイル名（フルパスのファイル名）が取得できません。\n"
    "ファイルが存在しない可能性があります。\n\n";

bool Contains(std::string_view text, std::string_view word) {
  return text.find(word) != std::string_view::npos;
}

// `text` without leading and trailing blanks and control characters.
std::string_view TrimBlanks(std::string_view text) {
  const auto is_blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

// The names of a date-source list: separated by ",", empty names skipped, not trimmed.
std::vector<std::string_view> SplitNames(std::string_view list) {
  std::vector<std::string_view> names;
  size_t i = 0;
  while (i < list.size()) {
    if (list[i] == ',') {
      ++i;
      continue;
    }
    const size_t comma = std::min(list.find(',', i), list.size());
    names.push_back(list.substr(i, comma - i));
    i = comma;
  }
  return names;
}

}  // namespace

StampScan::StampScan(RunContext& context, const std::string& file_name, std::string text,
                     std::optional<FileTime> own_last_write)
    : context_(context),
      file_name_(file_name),
      original_(std::move(text)),
      charset_(DetectPageCharset(original_)),
      own_last_write_(own_last_write),
      lines_(original_) {}

ScanEvent StampScan::Run() {
  if (!started_) {
    started_ = true;
    if (!started_logged_) context_.log.AddLogEntry("◎日付記入開始：" + file_name_ + "\n");
    context_.host.SetStatus(file_name_ + "に日付を書き込み中...");
    context_.host.SetCurrentFile(file_name_);
  }
  return WatchedLoop();
}

ScanEvent StampScan::ResumeAfterLink(bool target_ok) {
  if (!target_ok) return ScanEvent::kAborted;
  EndLinkStep(context_, file_name_, PercentAt(pos_), true);
  if (AfterTag() == Flow::kAbort) return ScanEvent::kAborted;
  return WatchedLoop();
}

ScanEvent StampScan::WatchedLoop() {
  // The pages that links lead to are processed between the calls of the loop, so the reports
  // made during a call are this page's own.
  const int errors_before = context_.state.ErrorCount;
  const ScanEvent event = Loop();
  if (context_.state.ErrorCount != errors_before) reported_ = true;
  return event;
}

std::string StampScan::TakeText() {
  std::string text;
  text.reserve(RewrittenLength());
  size_t copied = 0;
  for (const Edit& edit : edits_) {
    text.append(original_, copied, edit.from - copied);
    text.append(edit.text);
    copied = edit.to;
  }
  text.append(original_, copied);
  edits_.clear();
  return text;
}

void StampScan::SetTextAside() {
  if (set_aside_) return;
  original_size_ = original_.size();
  std::string().swap(original_);
  lines_ = LineCounter(original_);
  set_aside_ = true;
}

bool StampScan::GiveTextBack(std::string text) {
  if (!set_aside_) return true;
  if (text.size() != original_size_) return false;
  original_ = std::move(text);
  lines_ = LineCounter(original_);
  set_aside_ = false;
  return true;
}

ScanEvent StampScan::Loop() {
  for (;;) {
    TagToken tag = NextTag(original_, pos_);
    if (tag.kind == TagKind::tkNone) break;
    pos_ = tag.start;
    // The modern grammar reads a start tag as HTML does: a ">" in a quoted value is text.
    if (context_.settings.FollowAnyAnchor && tag.kind != TagKind::tkDeclaration) {
      tag.end = EndOfStartTag(original_, tag.start);
    }
    const TagKind kind = tag.kind != TagKind::tkDeclaration && context_.settings.FollowAnyAnchor
                             ? ClassifyAnyAnchor(tag.text())
                             : tag.kind;
    if (kind == TagKind::tkDeclaration) {
      if (MarkStep(tag) == Flow::kAbort) return ScanEvent::kAborted;
    } else if (kind == TagKind::tkFrame || kind == TagKind::tkAnchor) {
      pos_ = tag.end + 1;
      const std::string_view attribute = kind == TagKind::tkFrame ? "SRC" : "A HREF";
      LinkDecision link =
          BeginLinkStep(context_, tag.text(), attribute, file_name_, charset_, LineAt(pos_));
      switch (link.kind) {
        case LinkDecision::Kind::kAbort:
          return ScanEvent::kAborted;
        case LinkDecision::Kind::kFollow:
          follow_target_ = std::move(link.target);
          follow_line_ = link.line;
          return ScanEvent::kFollowLink;
        case LinkDecision::Kind::kPassedOver:
          EndLinkStep(context_, file_name_, PercentAt(pos_), false);
          break;
        case LinkDecision::Kind::kNotFollowed:
          break;
      }
    } else {
      pos_ = tag.end + 1;
    }
    if (AfterTag() == Flow::kAbort) return ScanEvent::kAborted;
  }
  if (state_ == State::kMarkSeen &&
      Insert(Insertion::kWholePair, insert_pos_, LineAt(pos_)) == Flow::kAbort) {
    return ScanEvent::kAborted;
  }
  return ScanEvent::kFinished;
}

Flow StampScan::AfterTag() {
  // The progress changes a hundred times a page at most: it is worked out again only when
  // the scan has passed the point where it next changes (or the text's length changed).
  const size_t position = RewrittenOffset(pos_);
  if (position >= next_percent_at_ || RewrittenLength() != percent_length_) {
    const int percent = PercentAt(pos_);
    percent_length_ = RewrittenLength();
    next_percent_at_ = (static_cast<size_t>(percent + 1) * percent_length_ + 99) / 100 - 1;
    if (percent != shown_percent_) {
      shown_percent_ = percent;
      context_.host.SetPercent(percent);
    }
  }
  context_.host.ProcessPendingEvents();
  return context_.state.ContinueFlag ? Flow::kContinue : Flow::kAbort;
}

Flow StampScan::MarkStep(const TagToken& tag) {
  const std::string_view body = CommentBody(tag.text());
  const size_t after_tag = tag.end + 1;
  const size_t keyword = body.find(kKeyword);
  if (keyword == std::string_view::npos) {
    pos_ = after_tag;
    return Flow::kContinue;
  }
  const bool begin_mark = Contains(body, kBeginWord);
  const bool end_mark = Contains(body, kEndWord);
  switch (state_) {
    case State::kIdle:
      if (begin_mark || end_mark) {
        pos_ = after_tag;
        return ReportMarkError(kOrphanMark);
      }
      insert_pos_ = after_tag;
      state_ = State::kMarkSeen;
      pos_ = after_tag;
      return ChooseSource(body.substr(keyword + kKeyword.size()), LineAt(tag.start));
    case State::kMarkSeen:
      if (end_mark) {
        pos_ = after_tag;
        return ReportMarkError(kEndWithoutBegin);
      }
      if (begin_mark) {
        insert_pos_ = after_tag;
        state_ = State::kInPair;
        pos_ = after_tag;
        return Flow::kContinue;
      }
      // A second keyword mark: the first one gets its whole stamp marker, and this tag is
      // read again as a new keyword mark.
      state_ = State::kIdle;
      return Insert(Insertion::kWholePair, insert_pos_, LineAt(pos_));
    case State::kInPair:
      if (begin_mark) {
        pos_ = after_tag;
        return ReportMarkError(kBeginTwice);
      }
      if (end_mark) {
        state_ = State::kIdle;
        const Flow flow = Insert(Insertion::kDateOnly, tag.start, LineAt(insert_pos_));
        pos_ = after_tag;
        return flow;
      }
      // A keyword mark inside a date area: reported, then read again as a new keyword mark.
      state_ = State::kIdle;
      return ReportMarkError(kBeginWithoutEnd);
  }
  return Flow::kContinue;
}

Flow StampScan::ReportMarkError(std::string_view cause) {
  const ReportLocation where{file_name_, LineAt(pos_)};
  return ReportAndAskOkCancel(context_, cause, &where) ? Flow::kContinue : Flow::kAbort;
}

Flow StampScan::ChooseSource(std::string_view parameter_bytes, int mark_line) {
  const std::string list = DecodePageText(std::string(TrimBlanks(parameter_bytes)), charset_);
  source_is_page_ = list.empty();
  date_source_.clear();
  if (source_is_page_) return Flow::kContinue;
  // A list that yields no file leaves the mark without a source: each name has been reported
  // here, and the date area is left as it is (never dated from an earlier mark's source).
  const ReportLocation where{file_name_, mark_line};
  const std::string base_folder(FolderPart(file_name_));
  std::optional<FileTime> best;
  std::vector<std::string> files;
  DateSourceCache& date_sources = context_.state.Caches.Of<DateSourceCache>();
  for (const std::string_view name : SplitNames(list)) {
    const std::string item(name);
    const DateSourceCache::Newest* known = date_sources.Find(base_folder, item);
    DateSourceCache::Newest newest;
    if (known == nullptr) {
      files.clear();
      const TargetKind kind =
          ResolveTarget(context_.fs, name, file_name_, &files, {}, TargetSource::kDateSourceList,
                        context_.settings.SiteRoot);
      std::string cause;
      if (kind == TargetKind::trWebLink || kind == TargetKind::trMailto) {
        cause = kNameIsAddress;
      } else if (kind == TargetKind::trJavaScript) {
        cause = kNameIsScript;
      } else if (kind == TargetKind::trNotFound) {
        cause = "\"" + item + "\"" + kNameNotFound;
      }
      if (!cause.empty()) {
        if (!ReportAndAskOkCancel(context_, cause, &where)) return Flow::kAbort;
        continue;
      }
      bool every_date_read = true;
      for (const std::string& file : files) {
        std::optional<FileTime> last_write;
        if (GetFileDate(context_, file, where, &last_write) == Flow::kAbort) return Flow::kAbort;
        every_date_read = every_date_read && last_write.has_value();
        if (last_write && (!newest.last_write || *last_write > *newest.last_write)) {
          newest.last_write = last_write;
          newest.file = file;
        }
      }
      // Worked out once per run; an item whose dates could not all be read is asked again.
      if (every_date_read && !files.empty()) {
        date_sources.Store(base_folder, item, std::string(FolderPart(files.front())), newest);
      }
      known = &newest;
    }
    if (known->last_write && (!best || *known->last_write > *best)) {
      best = known->last_write;
      date_source_ = known->file;
    }
  }
  return Flow::kContinue;
}

Flow StampScan::Insert(Insertion mode, size_t date_area_end, int report_line) {
  // A date-source list that named no usable file was reported name by name when its mark was
  // read: the date area keeps its text, without a second report about a nameless file.
  if (!source_is_page_ && date_source_.empty()) return Flow::kContinue;
  std::optional<FileTime> source_time;
  const ReportLocation where{file_name_, report_line};
  if (source_is_page_) {
    if (OwnDate(where, &source_time) == Flow::kAbort) return Flow::kAbort;
  } else if (GetFileDate(context_, date_source_, where, &source_time) == Flow::kAbort) {
    return Flow::kAbort;
  }
  // Without a readable source the date area keeps its old text.
  if (!source_time) return Flow::kContinue;

  // The text shows the source's exact second; the kept time stamp is exact to the nanosecond.
  const DateTime date = FileTimeToLocalDateTime(*source_time);
  const std::string date_text = EncodeForPage(
      FormatDate(CurrentDateFormat(context_.settings), date, context_.region), charset_);
  if (mode == Insertion::kWholePair) {
    std::string marker;
    marker.reserve(kBeginMark.size() + date_text.size() + kEndMark.size());
    marker.append(kBeginMark).append(date_text).append(kEndMark);
    Replace(insert_pos_, insert_pos_, std::move(marker));
  } else {
    const std::string_view old_area =
        std::string_view(original_).substr(insert_pos_, date_area_end - insert_pos_);
    if (old_area == date_text) return Flow::kContinue;
    Replace(insert_pos_, date_area_end, date_text);
  }
  changed_ = true;
  if (!newest_changed_ || *newest_changed_ < *source_time) newest_changed_ = source_time;
  return Flow::kContinue;
}

Flow StampScan::OwnDate(const ReportLocation& where, std::optional<FileTime>* date) {
  if (!own_date_read_) {
    if (own_last_write_) {
      own_date_ = own_last_write_;
      if (ApplyGitDate(context_, file_name_, where, &*own_date_, original_) == Flow::kAbort) {
        return Flow::kAbort;
      }
    } else if (GetFileDate(context_, file_name_, where, &own_date_) == Flow::kAbort) {
      return Flow::kAbort;
    }
    own_date_read_ = true;
  }
  *date = own_date_;
  return Flow::kContinue;
}

std::optional<FileTime> StampScan::kept_time() const {
  // A page that shows its own date keeps it: given any other time, the next run would write
  // that time as the page's own date.
  if (!changed_) return std::nullopt;
  return own_date_ ? own_date_ : newest_changed_;
}

void StampScan::Replace(size_t from, size_t to, std::string text) {
  const auto removed = static_cast<long>(to - from);
  line_shift_ += static_cast<long>(CountLineEnds(text, 0, text.size())) -
                 static_cast<long>(CountLineEnds(original_, from, to));
  length_shift_ += static_cast<long>(text.size()) - removed;
  edits_.push_back({from, to, std::move(text)});
}

size_t StampScan::RewrittenOffset(size_t original_offset) const {
  return static_cast<size_t>(static_cast<long>(original_offset) + length_shift_);
}

size_t StampScan::RewrittenLength() const {
  const size_t size = set_aside_ ? original_size_ : original_.size();
  return static_cast<size_t>(static_cast<long>(size) + length_shift_);
}

int StampScan::LineAt(size_t original_offset) {
  return static_cast<int>(lines_.LineAt(original_offset) + line_shift_);
}

int StampScan::PercentAt(size_t original_offset) const {
  const size_t length = RewrittenLength();
  if (length == 0) return 0;
  // The position counted from 1, as the progress display has always shown it.
  const unsigned long long position = RewrittenOffset(original_offset) + 1;
  return static_cast<int>(std::min<unsigned long long>(position * 100 / length, 100));
}

}  // namespace zelvora
