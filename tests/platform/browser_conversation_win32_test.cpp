// The DDE conversation with a browser: a server in a thread of this test process stands in for
// the browser and records the commands it is sent.
#include "platform/browser_conversation.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <ddeml.h>

#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/system_calls_win32.h"

namespace zelvora {
namespace {

// A DDE server of one service that accepts every conversation and records each
// command, run on a thread of its own with the message loop that DDE needs.
class RecordingServer {
 public:
  explicit RecordingServer(const std::string& service) : service_(service) {
    std::promise<bool> ready;
    auto started = ready.get_future();
    thread_ = std::thread([this, &ready] { Serve(ready); });
    EXPECT_TRUE(started.get()) << "the DDE server did not start";
  }
  ~RecordingServer() {
    PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
  }

  std::vector<std::string> commands() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
  }

 private:
  static HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA data, ULONG_PTR,
                                    ULONG_PTR) {
    RecordingServer* server = current_;
    if (type == XTYP_CONNECT) return reinterpret_cast<HDDEDATA>(TRUE);
    if (type == XTYP_EXECUTE) {
      const DWORD size = DdeGetData(data, nullptr, 0, 0);
      std::wstring text(size / sizeof(wchar_t), L'\0');
      DdeGetData(data, reinterpret_cast<LPBYTE>(text.data()), size, 0);
      text.resize(wcsnlen(text.c_str(), text.size()));
      const std::lock_guard<std::mutex> lock(server->mutex_);
      server->commands_.push_back(win32::Utf8(text));
      return reinterpret_cast<HDDEDATA>(DDE_FACK);
    }
    return nullptr;
  }

  void Serve(std::promise<bool>& ready) {
    current_ = this;
    thread_id_ = GetCurrentThreadId();
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // the thread's message queue
    if (DdeInitializeW(&instance_, Callback,
                       APPCLASS_STANDARD | CBF_FAIL_ADVISES | CBF_FAIL_POKES | CBF_FAIL_REQUESTS,
                       0) != DMLERR_NO_ERROR) {
      ready.set_value(false);
      return;
    }
    const HSZ name =
        DdeCreateStringHandleW(instance_, win32::Wide(service_).c_str(), CP_WINUNICODE);
    ready.set_value(DdeNameService(instance_, name, nullptr, DNS_REGISTER) != nullptr);
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    DdeNameService(instance_, name, nullptr, DNS_UNREGISTER);
    DdeFreeStringHandle(instance_, name);
    DdeUninitialize(instance_);
  }

  static inline RecordingServer* current_ = nullptr;
  std::string service_;
  std::thread thread_;
  DWORD thread_id_ = 0;
  DWORD instance_ = 0;
  std::mutex mutex_;
  std::vector<std::string> commands_;
};

bool UnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

TEST(DdeConversationTest, TheServerReceivesTheCommandsExactly) {
  RecordingServer server("ZelvoraTestBrowser");
  const auto conversation = SystemBrowserConversation();
  const bool connected = conversation->Connect("ZelvoraTestBrowser", kOpenUrlTopic, "browser.exe");
  if (!connected && UnderWine()) {
    GTEST_SKIP() << "wine's DDE does not connect a client to a server of the same process";
  }
  ASSERT_TRUE(connected);
  EXPECT_TRUE(conversation->Execute(kWakeUpCommand));
  EXPECT_TRUE(conversation->Execute("file:///C:/site/%E6%97%A5.htm#news"));
  EXPECT_TRUE(conversation->Execute("file:///C:/日記/a b.htm"));
  conversation->Close();
  EXPECT_FALSE(conversation->Execute("after the close"));
  EXPECT_EQ(server.commands(),
            (std::vector<std::string>{"about:", "file:///C:/site/%E6%97%A5.htm#news",
                                      "file:///C:/日記/a b.htm"}));
}

TEST(DdeConversationTest, AServiceThatNobodyServesIsNotConnected) {
  const auto conversation = SystemBrowserConversation();
  EXPECT_FALSE(conversation->Connect("NSShell", kOpenUrlTopic, "C:\\no\\browser.exe"));
  EXPECT_FALSE(conversation->Execute("about:"));
  conversation->Close();
}

}  // namespace
}  // namespace zelvora
