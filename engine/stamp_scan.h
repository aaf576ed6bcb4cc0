// The stamp scan of one page: walks the page's text tag by tag, finds the comment marks,
// writes the date of each date area's source between its begin and end marks (inserting the
// pair after a keyword mark on its first run), and hands anchor and frame tags to the link
// step.
//
// The scan is resumable: when a link's target must be stamped first, Run() returns
// kFollowLink and the caller stamps the target, then calls ResumeAfterLink(). The walk keeps
// suspended scans on a stack of its own, so the depth of the link chain is not bounded by the
// machine stack.
//
// The page text is never edited in place: the scan reads the original text and builds the
// rewritten text as it goes, so a page with many marks costs time linear in its size. Line
// numbers and progress figures are those of the text as rewritten so far.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "links/tag_tokenizer.h"
#include "platform/date_time.h"
#include "run/error_report.h"
#include "run/run_context.h"
#include "run/run_flow.h"

namespace zelvora {

enum class ScanEvent {
  kFinished,    // the scan reached the end of the text
  kAborted,     // the run is to be aborted; the rewritten text must be discarded
  kFollowLink,  // stamp follow_target() first, then call ResumeAfterLink()
};

class StampScan {
 public:
  // `file_name` is the page as the walk received it, and must outlive the scan; `text` its
  // content as read.
  // `own_last_write`, when given, is the page's last-write time as read with its text: the
  // date of marks that take the page's own date, which the page keeps until it is written.
  StampScan(RunContext& context, const std::string& file_name, std::string text,
            std::optional<FileTime> own_last_write = std::nullopt);

  // Runs the scan from where it stands until it ends, aborts or needs a link followed. The
  // first call logs the start of the page's scan and shows the page as the current file.
  ScanEvent Run();

  // Continues after the target of the link that Run() asked for was processed; `target_ok`
  // false (the target's processing aborted) aborts this scan too. Preconditions: the text is
  // not set aside, unless `target_ok` is false.
  ScanEvent ResumeAfterLink(bool target_ok);

  // The link target, moved out, and the line of its tag, after Run() returned kFollowLink.
  std::string TakeFollowTarget() { return std::move(follow_target_); }
  int follow_line() const { return follow_line_; }

  // True when a date area received a different text or a stamp marker was inserted.
  bool changed() const { return changed_; }
  // True when the scan of this page (its marks, date sources and links, not the pages it
  // led to) made an error report.
  bool reported() const { return reported_; }
  // Marks the scan as a second one of a page that changed after its first scan was read (see
  // ProcessFile): its start is not logged again.
  void MarkAsRestamp() { started_logged_ = true; }
  // The last-write time the page keeps when it is written (KeepTimeStamp), exact to the
  // nanosecond: when a date area is dated by the page itself, the page's own date as the scan
  // read it (its last-write time, or the commit time that git gives it), so that stamping
  // never changes that date; otherwise the time of the newest date source written into a
  // changed date area. Empty when no date area changed.
  std::optional<FileTime> kept_time() const;
  const std::string& file_name() const { return file_name_; }
  // The rewritten text. Preconditions: Run() returned kFinished; call once.
  std::string TakeText();

  // While the scan waits for a link, its page text may be set aside to save memory (a long
  // chain of links holds many waiting pages) and given back before the scan goes on.
  // The bytes of page text the scan holds now, and the text itself.
  size_t held_text_size() const { return original_.size(); }
  std::string_view held_text() const { return original_; }
  // The size of the page text, held or set aside.
  size_t text_size() const { return set_aside_ ? original_size_ : original_.size(); }
  bool text_set_aside() const { return set_aside_; }
  void SetTextAside();
  // Gives back the text set aside, read anew. Preconditions: the page has not changed since
  // it was first read (the caller compares the file's version); as a last check, a text of
  // another length is refused (false) and the text stays aside.
  bool GiveTextBack(std::string text);

 private:
  enum class State { kIdle, kMarkSeen, kInPair };
  enum class Insertion { kDateOnly, kWholePair };

  // One replacement of original_[from, to) by `text`; edits are kept in text order and the
  // rewritten text is built from them only when it is taken.
  struct Edit {
    size_t from;
    size_t to;
    std::string text;
  };

  // Loop(), noting whether it made an error report.
  ScanEvent WatchedLoop();
  ScanEvent Loop();
  Flow AfterTag();
  Flow MarkStep(const TagToken& tag);
  Flow ReportMarkError(std::string_view cause);
  // Sets the date source from a keyword mark's parameter text (page bytes); reports name
  // the mark's line `mark_line`.
  Flow ChooseSource(std::string_view parameter_bytes, int mark_line);
  Flow Insert(Insertion mode, size_t date_area_end, int report_line);
  // The page's own date, read once per scan: its last-write time as read with its text (or
  // from the disk when not given), replaced by the commit time where git dates apply. Empty
  // when it cannot be read (reported at `where`).
  Flow OwnDate(const ReportLocation& where, std::optional<FileTime>* date);
  void Replace(size_t from, size_t to, std::string text);

  // Position and line figures of the rewritten text, for an offset of the original text at
  // or after the last edit.
  size_t RewrittenOffset(size_t original_offset) const;
  size_t RewrittenLength() const;
  int LineAt(size_t original_offset);
  int PercentAt(size_t original_offset) const;

  RunContext& context_;
  const std::string& file_name_;
  std::string original_;
  const std::string charset_;
  const std::optional<FileTime> own_last_write_;
  LineCounter lines_;

  bool set_aside_ = false;
  size_t original_size_ = 0;  // kept while the text is set aside

  bool started_ = false;
  bool started_logged_ = false;
  bool reported_ = false;
  int shown_percent_ = -1;      // the progress last given to the host
  size_t percent_length_ = 0;   // the text length it was worked out for
  size_t next_percent_at_ = 0;  // the rewritten offset from which it is higher
  size_t pos_ = 0;              // offset in original_ of the next byte to scan
  State state_ = State::kIdle;
  size_t insert_pos_ = 0;        // offset in original_ just after the last keyword or begin mark
  bool source_is_page_ = false;  // the next date area takes the page's own date...
  std::string date_source_;      // ...or the last-write time of this file (none when empty)
  bool changed_ = false;
  std::optional<FileTime> newest_changed_;  // the newest source of a changed date area
  bool own_date_read_ = false;
  std::optional<FileTime> own_date_;  // set once a date area dated by the page was met

  std::vector<Edit> edits_;
  long length_shift_ = 0;  // bytes added minus bytes removed by the edits so far
  long line_shift_ = 0;    // line ends added minus line ends removed by the edits so far

  std::string follow_target_;
  int follow_line_ = 0;
};

}  // namespace zelvora
