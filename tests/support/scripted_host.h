// A run host for tests: records everything the run shows and answers questions from a
// script, so a test can check the exact texts a user would see.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "run/run_host.h"

namespace zelvora::testing {

class ScriptedHost : public RunHost {
 public:
  struct Asked {
    std::string text;
    Question kind;
  };
  struct Shown {
    std::string text;
    MessageIcon icon;
  };

  // Answers given to the next questions, in order. When the script is used up, questions
  // are answered kOk or kIgnore (go on) and counted in `unscripted_questions`.
  std::deque<Answer> answers;
  // When set, the run's continue flag is cleared (through this pointer) after this many
  // calls of ProcessPendingEvents, as if the user pressed the abort button then.
  bool* continue_flag = nullptr;
  int abort_after_events = -1;
  // When set, runs at every call of ProcessPendingEvents: something that happens while the
  // run lets events through (between the pieces of a long read, say).
  std::function<void()> on_events;

  std::vector<std::string> statuses;
  std::vector<std::string> current_files;
  std::vector<Asked> asked;
  std::vector<Shown> shown;
  std::vector<std::string> opened_files;
  std::vector<std::string> would_write;
  std::vector<std::string> shallow_work_trees;
  int last_percent = -1;
  int events_processed = 0;
  int unscripted_questions = 0;
  int progress_shown = 0;
  int progress_hidden = 0;

  void SetStatus(const std::string& text) override { statuses.push_back(text); }
  void SetCurrentFile(const std::string& file_name) override { current_files.push_back(file_name); }
  void SetPercent(int percent) override { last_percent = percent; }
  void ProcessPendingEvents() override {
    ++events_processed;
    if (on_events) on_events();
    if (continue_flag != nullptr && events_processed == abort_after_events) {
      *continue_flag = false;
    }
  }
  Answer Ask(const std::string& text, Question kind) override {
    asked.push_back({text, kind});
    if (!answers.empty()) {
      const Answer answer = answers.front();
      answers.pop_front();
      return answer;
    }
    ++unscripted_questions;
    return kind == Question::kOkCancel ? Answer::kOk : Answer::kIgnore;
  }
  void ShowMessage(const std::string& text, MessageIcon icon) override {
    shown.push_back({text, icon});
  }
  void ShowProgress(const std::string&) override { ++progress_shown; }
  void HideProgress() override { ++progress_hidden; }
  void WouldWrite(const std::string& file_name) override { would_write.push_back(file_name); }
  void OpenWrittenFile(const std::string& file_name) override { opened_files.push_back(file_name); }
  void HistoryIsShallow(const std::string& work_tree) override {
    shallow_work_trees.push_back(work_tree);
  }
};

}  // namespace zelvora::testing
