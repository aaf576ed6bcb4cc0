// A desktop shell and a browser conversation that record what they are asked and answer as
// a test tells them.
#pragma once

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "platform/browser_conversation.h"
#include "platform/desktop_shell.h"

namespace zelvora::testing {

// Called on a request's own thread (ShellRequests): a test reads what it recorded once the
// request has told its outcome.
class FakeShell : public DesktopShell {
 public:
  Result<BrowserProgram> HtmlBrowser() override {
    if (hold) hold();
    if (!has_browser) return Status::Error("no browser", ENOENT);
    return browser;
  }
  Status StartBrowser(const BrowserProgram& program, const ExecTarget& page) override {
    started.push_back(program.path + " " + page.url);
    started_paths.push_back(page.path);
    return browser_starts ? Status::Ok() : Status::Error("cannot start", EACCES);
  }
  Status Open(const std::string& target) override {
    if (hold) hold();
    opened.push_back(target);
    return opens ? Status::Ok() : Status::Error("refused", 3);
  }

  // Called before the shell answers HtmlBrowser or Open: a test blocks in it to keep a
  // request waiting, as a slow desktop does.
  std::function<void()> hold;

  bool has_browser = true;
  BrowserProgram browser{
      {"/apps/browser.desktop", "Browser", "", "browser %u"}, "/usr/bin/browser", ""};
  bool browser_starts = true;
  bool opens = true;
  std::vector<std::string> started;        // "program url"
  std::vector<std::string> started_paths;  // the pages' paths, in the same order
  std::vector<std::string> opened;
};

class FakeConversation : public BrowserConversation {
 public:
  bool Connect(const std::string& service, const std::string& topic,
               const std::string& program) override {
    calls.push_back("Connect " + service + " " + topic + " " + program);
    return answers;
  }
  bool Execute(const std::string& command) override {
    calls.push_back("Execute " + command);
    return answers;
  }
  void Close() override { calls.push_back("Close"); }

  bool answers = false;
  std::vector<std::string> calls;
};

}  // namespace zelvora::testing
