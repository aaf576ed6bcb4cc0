#include "platform/browser_conversation.h"

namespace zelvora {

std::unique_ptr<BrowserConversation> SystemBrowserConversation() {
  return std::make_unique<UnansweredConversation>();
}

}  // namespace zelvora
