// The conversation layer through which a running web browser can be asked to show a page:
// a client opens a conversation with the browser's service on a topic, sends text commands
// as asynchronous execute transactions, and closes the conversation.
//
// No browser on Linux serves such conversations, so the platform's conversation never
// connects, and callers fall back to starting the browser with the page.
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

// The conversation layer of this platform: no server ever answers. Connect returns false
// and starts nothing: a browser started only to be asked again could not answer either, so
// starting one here would only open a window the user did not ask for; the caller's
// fallback starts the browser once, with the page.
class UnansweredConversation : public BrowserConversation {
 public:
  bool Connect(const std::string& service, const std::string& topic,
               const std::string& program) override;
  bool Execute(const std::string& command) override;
  void Close() override;
};

// The conversation layer of the system the program runs on.
std::unique_ptr<BrowserConversation> SystemBrowserConversation();

}  // namespace zelvora
