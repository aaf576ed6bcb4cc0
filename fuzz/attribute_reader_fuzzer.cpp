// Reads a link tag's attribute and takes the link step on it, as the scan does at an anchor
// or frame tag, over a small site held in memory. Checked: a value read is part of the tag, a
// failed read leaves the value alone, a followed target is an existing file, and the link
// depth comes back to zero after the step.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/link_step.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_world.h"
#include "links/tag_tokenizer.h"

namespace {

// Charsets a page may declare: the usual ones, a stateful one and ones that are not ASCII.
constexpr std::array<const char*, 7> kCharsets = {
    "CP932", "EUC-JP", "UTF-8", "ISO-8859-1", "ISO-2022-JP", "UTF-16LE", "UTF-32BE"};
constexpr char kUntouched[] = "\x01untouched";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zelvora;
  using namespace zelvora::fuzzing;
  FuzzedDataProvider input(data, size);
  FuzzWorld world(input);
  const std::string charset =
      kCharsets[input.ConsumeIntegralInRange<size_t>(0, kCharsets.size() - 1)];
  const int choice = input.ConsumeIntegralInRange(0, 3);
  const std::string tag = input.ConsumeRemainingBytesAsString();
  const std::string_view attribute = choice == 0 ? "SRC" : choice == 1 ? "A HREF" : "href";

  std::string value = kUntouched;
  if (GetAttributeValue(tag, attribute, &value)) {
    FUZZ_CHECK(tag.find(value) != std::string::npos);
  } else {
    FUZZ_CHECK(value == kUntouched);
  }

  const std::string scanned = kPagePath;
  world.context.state.LinkDepth = choice == 3 ? 2 : 0;  // a deep page, for RestrictLinkNest
  const int depth_before = world.context.state.LinkDepth;
  const LinkDecision decision = BeginLinkStep(world.context, tag, attribute, scanned, charset, 1);
  switch (decision.kind) {
    case LinkDecision::Kind::kNotFollowed:
      FUZZ_CHECK(!world.settings.LinkWrite);
      break;
    case LinkDecision::Kind::kAbort:
      FUZZ_CHECK(!world.host.asked.empty() || world.settings.ErrCope == kErrCopeAbort);
      break;
    case LinkDecision::Kind::kFollow: {
      const auto info = world.fs.Stat(decision.target);
      FUZZ_CHECK(info.ok() && info->kind == FileKind::kRegular);
      FUZZ_CHECK(decision.line == 1);
      [[fallthrough]];
    }
    case LinkDecision::Kind::kPassedOver:
      EndLinkStep(world.context, scanned, 50, decision.kind == LinkDecision::Kind::kFollow);
      FUZZ_CHECK(world.context.state.LinkDepth == depth_before);
      break;
  }
  return 0;
}
