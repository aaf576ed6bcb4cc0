#include "platform/encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>

namespace zelvora {
namespace {

// An iconv descriptor closed on destruction.
class Converter {
 public:
  Converter(const std::string& from, const std::string& to)
      : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much of `in` as it can, appending to `out`. Returns 0 when all was
  // converted, otherwise the errno that stopped it (EILSEQ or EINVAL) with `in` advanced to
  // the offending sequence.
  int Run(std::string_view& in, std::string& out) {
    char* in_ptr = const_cast<char*>(in.data());
    size_t in_left = in.size();
    char buffer[4096];
    int stopped = 0;
    while (in_left > 0) {
      char* out_ptr = buffer;
      size_t out_left = sizeof buffer;
      const size_t rc = iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left);
      out.append(buffer, static_cast<size_t>(out_ptr - buffer));
      if (rc != static_cast<size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      stopped = errno;
      break;
    }
    if (stopped == 0) FlushShiftState(out);
    in = std::string_view(in_ptr, in_left);
    return stopped;
  }

 private:
  void FlushShiftState(std::string& out) {
    char buffer[64];
    char* out_ptr = buffer;
    size_t out_left = sizeof buffer;
    iconv(cd_, nullptr, nullptr, &out_ptr, &out_left);
    out.append(buffer, static_cast<size_t>(out_ptr - buffer));
  }

  iconv_t cd_;
};

// How many bytes to pass over when the character at the start of `rest` cannot be converted.
size_t UnconvertibleLength(std::string_view rest, const std::string& from) {
  if (from != kUtf8) return 1;
  // A sequence cut off by the end of the text counts as one character too.
  const size_t length =
      std::min(Utf8SequenceLength(static_cast<unsigned char>(rest[0])), rest.size());
  for (size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

// The bytes of the character at the start of `rest` that `from` cannot convert, taken as a
// whole where the charset tells its length: in CP932 a lead byte takes its trail byte with it,
// which may be the byte of "\\" or another ASCII character that must not stand alone.
size_t InvalidSequenceLength(std::string_view rest, const std::string& from) {
  if (from != kCp932 || rest.size() < 2) return UnconvertibleLength(rest, from);
  const auto lead = static_cast<unsigned char>(rest[0]);
  const auto trail = static_cast<unsigned char>(rest[1]);
  const bool double_byte_lead = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
  const bool trail_byte = trail >= 0x40 && trail <= 0xFC && trail != 0x7F;
  return double_byte_lead && trail_byte ? 2 : 1;
}

}  // namespace

Result<std::string> ConvertText(std::string_view text, const std::string& from,
                                const std::string& to) {
  if (from == to && (from != kUtf8 || IsValidUtf8(text))) return std::string(text);
  Converter converter(from, to);
  if (!converter.valid()) {
    return Status::Error("unknown character set conversion " + from + " to " + to, errno);
  }
  std::string out;
  out.reserve(text.size());
  std::string_view rest = text;
  const int stopped = converter.Run(rest, out);
  if (stopped != 0) {
    const size_t offset = text.size() - rest.size();
    return Status::Error(
        "text does not convert from " + from + " to " + to + " at byte " + std::to_string(offset),
        stopped);
  }
  return out;
}

std::string ConvertTextLossy(std::string_view text, const std::string& from,
                             const std::string& to) {
  Converter converter(from, to);
  if (!converter.valid()) return NonAsciiAsQuestionMarks(text);
  std::string out;
  out.reserve(text.size());
  std::string_view rest = text;
  while (converter.Run(rest, out) != 0) {
    out += '?';
    rest.remove_prefix(rest.empty() ? 0 : UnconvertibleLength(rest, from));
  }
  return out;
}

std::string ConvertTextKeepingInvalid(std::string_view text, const std::string& from,
                                      const std::string& to) {
  Converter converter(from, to);
  if (!converter.valid()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::string_view rest = text;
  while (converter.Run(rest, out) != 0 && !rest.empty()) {
    const size_t length = InvalidSequenceLength(rest, from);
    out.append(rest.substr(0, length));
    rest.remove_prefix(length);
  }
  return out;
}

bool IsKnownCharset(const std::string& charset) {
  Converter converter(charset, kUtf8);
  return converter.valid();
}

}  // namespace zelvora
