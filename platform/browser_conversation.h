// The conversation layer through which a running web browser can be asked to show a page:
// a client opens a conversation with the browser's service on a topic, sends text commands
// as asynchronous execute transactions, and closes the conversation.
//
// On Windows this is DDE, which browsers have served on the topic WWW_OpenURL. No browser on
// Linux serves such conversations, so the conversation there never connects, and callers fall
// back to starting the browser with the page.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace zelvora {

// The topic on which a browser is asked to open an address.
inline constexpr char kOpenUrlTopic[] = "WWW_OpenURL";
// The command sent first, to wake a browser before it is given the page.
inline constexpr char kWakeUpCommand[] = "about:";

// The service name of a browser program: "IExplore" when its upper-cased path contains
// "EXPLORE", otherwise "NSShell".
std::string BrowserService(std::string_view browser_path);

class BrowserConversation {
 public:
  virtual ~BrowserConversation() = default;

  // Opens a conversation with the server of `service` on `topic`. `program` is the browser
  // that would serve it. Returns false when no server answers. An open conversation is
  // closed first.
  virtual bool Connect(const std::string& service, const std::string& topic,
                       const std::string& program) = 0;

  // Starts an asynchronous execute transaction of `command` in the open conversation;
  // returns whether it could be started (false without a conversation). Does not wait.
  virtual bool Execute(const std::string& command) = 0;

  // Closes the open conversation, if any.
  virtual void Close() = 0;
};

// The conversation layer of a system without one (Linux): no server ever answers. Connect returns
// false and starts nothing: a browser started only to be asked again could not answer either, so
// starting one here would only open a window the user did not ask for; the caller's
// fallback starts the browser once, with the page.
class UnansweredConversation : public BrowserConversation {
 public:
  bool Connect(const std::string& service, const std::string& topic,
               const std::string& program) override;
  bool Execute(const std::string& command) override;
  void Close() override;
};

// The conversation layer of Windows (built there only): a DDE client (DDEML). Connect waits for
// no more than the answers to its request, so it gives up at once when nobody serves the
// service; Execute sends the command as text and waits
// at most a second for the server's acknowledgement (a server that is slow to acknowledge may
// still carry the command out). Connect, Execute and Close of one conversation must run on one
// thread, which then needs no message loop of its own; the conversation ends with Close, or
// when the object goes.
class DdeConversation : public BrowserConversation {
 public:
  DdeConversation() = default;
  ~DdeConversation() override;
  DdeConversation(const DdeConversation&) = delete;
  DdeConversation& operator=(const DdeConversation&) = delete;

  bool Connect(const std::string& service, const std::string& topic,
               const std::string& program) override;
  bool Execute(const std::string& command) override;
  void Close() override;

 private:
  unsigned long instance_ = 0;    // the DDEML instance, 0 when none
  void* conversation_ = nullptr;  // the conversation's handle (HCONV)
};

// The conversation layer of the system the program runs on.
std::unique_ptr<BrowserConversation> SystemBrowserConversation();

}  // namespace zelvora
