#include "platform/browser_conversation.h"

#include <windows.h>

#include <ddeml.h>

#include "platform/system_calls_win32.h"

namespace zelvora {
namespace {

// How long Execute waits for the server to acknowledge a command.
constexpr DWORD kAcknowledgementMs = 1000;

// A client is told of nothing it needs to answer.
HDDEDATA CALLBACK ClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

// A string handle of a DDEML instance, freed when it goes.
class DdeString {
 public:
  DdeString(DWORD instance, const std::string& text)
      : instance_(instance),
        handle_(DdeCreateStringHandleW(instance, win32::Wide(text).c_str(), CP_WINUNICODE)) {}
  ~DdeString() {
    if (handle_ != nullptr) DdeFreeStringHandle(instance_, handle_);
  }
  DdeString(const DdeString&) = delete;
  DdeString& operator=(const DdeString&) = delete;
  HSZ get() const { return handle_; }

 private:
  DWORD instance_;
  HSZ handle_;
};

}  // namespace

DdeConversation::~DdeConversation() { Close(); }

bool DdeConversation::Connect(const std::string& service, const std::string& topic,
                              const std::string&) {
  Close();
  DWORD instance = 0;
  if (DdeInitializeW(&instance, ClientCallback, APPCMD_CLIENTONLY | CBF_SKIP_ALLNOTIFICATIONS, 0) !=
      DMLERR_NO_ERROR) {
    return false;
  }
  instance_ = instance;
  const DdeString service_name(instance, service);
  const DdeString topic_name(instance, topic);
  if (service_name.get() != nullptr && topic_name.get() != nullptr) {
    conversation_ = DdeConnect(instance, service_name.get(), topic_name.get(), nullptr);
  }
  if (conversation_ != nullptr) return true;
  Close();
  return false;
}

bool DdeConversation::Execute(const std::string& command) {
  if (conversation_ == nullptr) return false;
  std::wstring text = win32::Wide(command);
  DWORD outcome = 0;
  const HDDEDATA done = DdeClientTransaction(
      reinterpret_cast<LPBYTE>(text.data()),
      static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), static_cast<HCONV>(conversation_),
      nullptr, 0, XTYP_EXECUTE, kAcknowledgementMs, &outcome);
  if (done != nullptr) return true;
  // Sent, but not acknowledged in time: the server may still carry it out.
  return DdeGetLastError(instance_) == DMLERR_EXECACKTIMEOUT;
}

void DdeConversation::Close() {
  if (conversation_ != nullptr) DdeDisconnect(static_cast<HCONV>(conversation_));
  conversation_ = nullptr;
  if (instance_ != 0) DdeUninitialize(instance_);
  instance_ = 0;
}

std::unique_ptr<BrowserConversation> SystemBrowserConversation() {
  return std::make_unique<DdeConversation>();
}

}  // namespace zelvora
