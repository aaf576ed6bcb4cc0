#include "platform/browser_conversation.h"

#include "platform/paths.h"

namespace zelvora {

std::string BrowserService(std::string_view browser_path) {
  return AsciiUpper(browser_path).find("EXPLORE") != std::string::npos ? "IExplore" : "NSShell";
}

bool UnansweredConversation::Connect(const std::string&, const std::string&, const std::string&) {
  return false;
}

bool UnansweredConversation::Execute(const std::string&) { return false; }

void UnansweredConversation::Close() {}

}  // namespace zelvora
