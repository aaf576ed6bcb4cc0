#include "platform/terminal.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>  // after windows.h, which declares what it uses

#include <atomic>
#include <cstdio>
#include <iostream>
#include <streambuf>
#include <string>

#include "platform/system_calls_win32.h"

namespace zelvora {
namespace {

constexpr std::string_view kClearToLineEnd = "\033[K";

std::atomic<bool> interrupted{false};

HANDLE HandleOf(StandardStream stream) {
  switch (stream) {
    case StandardStream::kInput:
      return GetStdHandle(STD_INPUT_HANDLE);
    case StandardStream::kOutput:
      return GetStdHandle(STD_OUTPUT_HANDLE);
    case StandardStream::kError:
      return GetStdHandle(STD_ERROR_HANDLE);
  }
  return INVALID_HANDLE_VALUE;
}

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
}

// How many bytes at the end of `text` begin a UTF-8 sequence that the text does not finish.
size_t UnfinishedTail(std::string_view text) {
  for (size_t back = 1; back <= 3 && back <= text.size(); ++back) {
    const auto byte = static_cast<unsigned char>(text[text.size() - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return length > back ? back : 0;
  }
  return 0;
}

// Writes UTF-8 text to a console as UTF-16. Where the console does not take escape sequences
// itself, the one the program uses, "ESC [ K" (clear to the end of the line), is done here.
class ConsoleOutputBuffer : public std::streambuf {
 public:
  explicit ConsoleOutputBuffer(HANDLE console) : console_(console) {
    DWORD mode = 0;
    escapes_ = GetConsoleMode(console_, &mode) &&
               SetConsoleMode(console_,
                              mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING | ENABLE_PROCESSED_OUTPUT);
    setp(buffer_, buffer_ + sizeof buffer_);
  }

 protected:
  int_type overflow(int_type c) override {
    if (!FlushBuffer(false)) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }

  int sync() override { return FlushBuffer(true) ? 0 : -1; }

 private:
  // Writes what the buffer holds; a character cut off at the buffer's end waits for the rest
  // unless `all`.
  bool FlushBuffer(bool all) {
    std::string_view text(pbase(), static_cast<size_t>(pptr() - pbase()));
    const size_t kept = all ? 0 : UnfinishedTail(text);
    text.remove_suffix(kept);
    const bool written = Write(text);
    std::string rest(pptr() - kept, pptr());
    setp(buffer_, buffer_ + sizeof buffer_);
    for (const char c : rest) sputc(c);
    return written;
  }

  bool Write(std::string_view text) {
    if (!escapes_) {
      for (size_t clear = text.find(kClearToLineEnd); clear != std::string_view::npos;
           clear = text.find(kClearToLineEnd)) {
        if (!WriteWide(text.substr(0, clear))) return false;
        ClearToLineEnd();
        text.remove_prefix(clear + kClearToLineEnd.size());
      }
    }
    return WriteWide(text);
  }

  bool WriteWide(std::string_view text) {
    const std::wstring wide = win32::Wide(text);
    size_t done = 0;
    while (done < wide.size()) {
      DWORD written = 0;
      const auto count = static_cast<DWORD>(std::min<size_t>(wide.size() - done, 8192));
      if (!WriteConsoleW(console_, wide.data() + done, count, &written, nullptr) || written == 0) {
        return false;
      }
      done += written;
    }
    return true;
  }

  void ClearToLineEnd() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(console_, &info)) return;
    const DWORD width = static_cast<DWORD>(info.dwSize.X - info.dwCursorPosition.X);
    DWORD cleared = 0;
    FillConsoleOutputCharacterW(console_, L' ', width, info.dwCursorPosition, &cleared);
  }

  HANDLE console_;
  bool escapes_ = false;
  char buffer_[4096];
};

// Reads a console's UTF-16 input as UTF-8 text. A line that begins with Ctrl+Z ends the input,
// as it does for the system's own programs.
class ConsoleInputBuffer : public std::streambuf {
 public:
  explicit ConsoleInputBuffer(HANDLE console) : console_(console) {}

 protected:
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    wchar_t wide[1024];
    DWORD read = 0;
    if (ended_ || !ReadConsoleW(console_, wide, 1024, &read, nullptr) || read == 0) {
      return traits_type::eof();
    }
    std::wstring text = pending_high_ + std::wstring(wide, read);
    pending_high_.clear();
    if (text.front() == L'\x1A') {
      ended_ = true;
      return traits_type::eof();
    }
    // A character whose two halves arrive in two reads is decoded once both are there.
    if (text.back() >= 0xD800 && text.back() <= 0xDBFF) {
      pending_high_ = text.back();
      text.pop_back();
    }
    text_ = win32::Utf8(text);
    if (text_.empty()) return underflow();
    setg(text_.data(), text_.data(), text_.data() + text_.size());
    return traits_type::to_int_type(*gptr());
  }

 private:
  HANDLE console_;
  std::string text_;
  std::wstring pending_high_;
  bool ended_ = false;
};

BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  // The first interrupt asks the run to stop; the next one ends the process as usual.
  return interrupted.exchange(true) ? FALSE : TRUE;
}

}  // namespace

bool IsTerminal(StandardStream stream) { return IsConsole(HandleOf(stream)); }

void UseUtf8StandardStreams() {
  // The buffers live as long as the process: the streams are flushed at its very end.
  if (IsTerminal(StandardStream::kOutput)) {
    std::cout.rdbuf(new ConsoleOutputBuffer(HandleOf(StandardStream::kOutput)));
  } else {
    _setmode(_fileno(stdout), _O_BINARY);
  }
  if (IsTerminal(StandardStream::kError)) {
    std::cerr.rdbuf(new ConsoleOutputBuffer(HandleOf(StandardStream::kError)));
  } else {
    _setmode(_fileno(stderr), _O_BINARY);
  }
  if (IsTerminal(StandardStream::kInput)) {
    std::cin.rdbuf(new ConsoleInputBuffer(HandleOf(StandardStream::kInput)));
  }
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(win32::Utf8(wide[i]));
  LocalFree(wide);
  return arguments;
}

void CatchInterrupts() { SetConsoleCtrlHandler(OnControl, TRUE); }

bool InterruptRequested() { return interrupted.load(); }

}  // namespace zelvora
