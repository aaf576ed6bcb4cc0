// A desktop shell and a browser conversation that record what they are asked and answer as
// a test tells them.
#pragma once

#include <cerrno>
#include <string>
#include <vector>

#include "platform/browser_conversation.h"
#include "platform/desktop_shell.h"

namespace zelvora::testing {

class FakeShell : public DesktopShell {
 public:
  Result<BrowserProgram> HtmlBrowser() override {
    if (!has_browser) return Status::Error("no browser", ENOENT);
    return browser;
  }
  Status StartBrowser(const BrowserProgram& program, const std::string& argument) override {
    started.push_back(program.path + " " + argument);
    return browser_starts ? Status::Ok() : Status::Error("cannot start", EACCES);
  }
  Status Open(const std::string& target) override {
    opened.push_back(target);
    return opens ? Status::Ok() : Status::Error("refused", 3);
  }

  bool has_browser = true;
  BrowserProgram browser{{"/apps/browser.desktop", "Browser", "", "browser %u"},
                         "/usr/bin/browser"};
  bool browser_starts = true;
  bool opens = true;
  std::vector<std::string> started;  // "path argument"
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
