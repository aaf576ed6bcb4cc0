// Parses a settings store file as loading does, then writes it out and parses that again.
// Checked: what a save writes is read back whole (nothing unreadable, the same keys and
// values) and written out again the same, and verbatim data survives decoding and encoding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "platform/registry_format.h"

namespace zelvora {
namespace {

bool SameValue(const RegistryValue& a, const RegistryValue& b) {
  return a.name == b.name && a.form == b.form && a.text == b.text && a.number == b.number;
}

bool SameDocument(const RegistryDocument& a, const RegistryDocument& b) {
  if (a.keys.size() != b.keys.size()) return false;
  for (size_t k = 0; k < a.keys.size(); ++k) {
    const RegistryKeyData& x = a.keys[k];
    const RegistryKeyData& y = b.keys[k];
    if (x.path != y.path || x.values.size() != y.values.size()) return false;
    for (size_t v = 0; v < x.values.size(); ++v) {
      if (!SameValue(x.values[v], y.values[v])) return false;
    }
  }
  return true;
}

void CheckVerbatim(const RegistryValue& value) {
  if (value.form != RegistryValue::Form::kVerbatim) return;
  const auto data = DecodeHexData(value.text);
  FUZZ_CHECK(data.has_value());
  const auto again = DecodeHexData(EncodeHexData(data->type, data->bytes));
  FUZZ_CHECK(again.has_value() && again->type == data->type && again->bytes == data->bytes);
}

}  // namespace
}  // namespace zelvora

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zelvora;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  RegistryDocument document = ParseRegistryText(bytes);
  FUZZ_CHECK(document.unreadable_lines >= 0);
  const std::string saved = FormatRegistryText(document);
  const RegistryDocument reread = ParseRegistryText(saved);
  FUZZ_CHECK(reread.unreadable_lines == 0);
  FUZZ_CHECK(SameDocument(document, reread));
  FUZZ_CHECK(FormatRegistryText(reread) == saved);
  for (const RegistryKeyData& key : document.keys) {
    FUZZ_CHECK(document.KeyExists(key.path));
    for (const RegistryValue& value : key.values) CheckVerbatim(value);
  }
  // Removing the first key removes it and everything below it, and nothing else.
  if (!document.keys.empty()) {
    const std::string first = document.keys.front().path;
    const size_t before = document.keys.size();
    FUZZ_CHECK(document.RemoveKeyTree(first));
    FUZZ_CHECK(document.FindKey(first) == nullptr && document.keys.size() < before);
  }
  return 0;
}
