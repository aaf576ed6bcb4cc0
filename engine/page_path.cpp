#include "engine/page_path.h"

#include <algorithm>
#include <span>
#include <string_view>
#include <utility>

namespace zelvora {
namespace {

// The most text the scratch file holds: beyond it, pages read their own files again rather
// than fill the folder for temporary files.
constexpr uint64_t kMaxScratchBytes = uint64_t{1} << 30;

}  // namespace

void PagePath::Push(std::unique_ptr<PageTask> task) {
  held_ += task->scan.held_text_size();
  pages_.push_back(std::move(task));
  if (held_ > budget_) SetWaitingTextAside();
}

void PagePath::Pop() {
  held_ -= top().scan.held_text_size();
  pages_.pop_back();
  first_holding_ = std::min(first_holding_, pages_.size());
}

bool PagePath::RestoreTop() {
  if (!top().scan.text_set_aside()) return true;
  if (top().spilled && RestoreFromScratch()) return true;
  return RestoreFromPage();
}

ScratchFile* PagePath::Scratch() {
  if (scratch_ == nullptr && !scratch_failed_) {
    auto created = context_.fs.NewScratchFile();
    if (created.ok()) {
      scratch_ = std::move(created).value();
    } else {
      scratch_failed_ = true;
    }
  }
  return scratch_.get();
}

void PagePath::SetWaitingTextAside() {
  // The page being scanned keeps its text; the batch runs from the root end upwards.
  const size_t target = budget_ / 2;
  size_t end = first_holding_;
  size_t remaining = held_;
  while (remaining > target && end + 1 < pages_.size()) {
    remaining -= pages_[end++]->scan.held_text_size();
  }
  if (end == first_holding_) return;

  std::vector<std::string_view> texts;
  texts.reserve(end - first_holding_);
  uint64_t batch_bytes = 0;
  for (size_t i = first_holding_; i < end; ++i) {
    texts.push_back(pages_[i]->scan.held_text());
    batch_bytes += texts.back().size();
  }
  ScratchFile* scratch = scratch_end_ + batch_bytes <= kMaxScratchBytes ? Scratch() : nullptr;
  const bool kept = scratch != nullptr && scratch->WriteAt(scratch_end_, texts).ok();
  for (size_t i = first_holding_; i < end; ++i) {
    PageTask& page = *pages_[i];
    const size_t size = page.scan.held_text_size();
    if (kept) {
      page.spilled = PageTask::SpillRecord{scratch_end_, size};
      scratch_end_ += size;
    }
    held_ -= size;
    page.scan.SetTextAside();
  }
  first_holding_ = end;
}

bool PagePath::RestoreFromScratch() {
  // The top page and the pages just below it whose texts lie one after another in the
  // scratch file, as they were set aside, as far as the budget allows.
  size_t low = pages_.size() - 1;
  size_t total = pages_[low]->spilled->size;
  while (low > 0) {
    const PageTask& below = *pages_[low - 1];
    const bool adjacent =
        below.scan.text_set_aside() && below.spilled &&
        below.spilled->offset + below.spilled->size == pages_[low]->spilled->offset;
    if (!adjacent || held_ + total + below.spilled->size > budget_) break;
    total += below.spilled->size;
    --low;
  }
  std::vector<std::string> texts;
  std::vector<std::span<char>> pieces;
  texts.reserve(pages_.size() - low);
  pieces.reserve(pages_.size() - low);
  for (size_t i = low; i < pages_.size(); ++i) {
    texts.emplace_back(pages_[i]->spilled->size, '\0');
    pieces.emplace_back(texts.back().data(), texts.back().size());
  }
  if (!scratch_->ReadAt(pages_[low]->spilled->offset, pieces).ok()) return false;
  const uint64_t freed_from = pages_[low]->spilled->offset;
  for (size_t i = low; i < pages_.size(); ++i) {
    PageTask& page = *pages_[i];
    if (!page.scan.GiveTextBack(std::move(texts[i - low]))) return false;
    page.spilled.reset();
    held_ += page.scan.held_text_size();
  }
  scratch_end_ = freed_from;
  first_holding_ = low;
  return true;
}

bool PagePath::RestoreFromPage() {
  PageTask& page = top();
  FileInfo now;
  auto bytes = context_.fs.ReadFile(page.scan.file_name(), &now);
  if (!bytes.ok() || !SameFileVersion(now, page.before) ||
      !page.scan.GiveTextBack(std::move(bytes).value())) {
    return false;
  }
  page.spilled.reset();
  held_ += page.scan.held_text_size();
  first_holding_ = pages_.size() - 1;
  return true;
}

}  // namespace zelvora
