// Scans a page as a run does, over a small site held in memory, with settings and answers
// drawn from the input. Links the scan asks to follow are answered at once (the target
// treated as stamped, or as aborted), and the page text may be set aside while it waits.
// Checked: the link depth comes back to zero, a page without changes comes out byte for byte
// as it went in, and a page stamped without any error needs no change when scanned again.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/stamp_scan.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_world.h"

namespace zelvora::fuzzing {
namespace {

struct ScanResult {
  ScanEvent event = ScanEvent::kAborted;
  bool changed = false;
  std::string text;
};

// How the walk answers the scan's links: bit n % 64 of `links` tells whether the target of
// link n was stamped; `set_aside` makes the scan set its text aside while it waits.
struct LinkScript {
  uint64_t links = 0;
  bool set_aside = false;
};

ScanResult ScanToEnd(FuzzWorld& world, const std::string& page, const LinkScript& script) {
  const std::string name = kPagePath;
  StampScan scan(world.context, name, page, FileTime{kPageTime, 0});
  ScanEvent event = scan.Run();
  for (unsigned followed = 0; event == ScanEvent::kFollowLink; ++followed) {
    const std::string target = scan.TakeFollowTarget();
    const auto info = world.fs.Stat(target);
    FUZZ_CHECK(info.ok() && info->kind == FileKind::kRegular);
    FUZZ_CHECK(scan.follow_line() >= 1);
    if (script.set_aside) {
      scan.SetTextAside();
      FUZZ_CHECK(scan.text_set_aside() && scan.held_text_size() == 0);
      FUZZ_CHECK(scan.GiveTextBack(page));
    }
    event = scan.ResumeAfterLink((script.links >> (followed % 64)) & 1);
  }
  ScanResult result{event, scan.changed(), ""};
  if (event == ScanEvent::kFinished) {
    FUZZ_CHECK(world.context.state.LinkDepth == 0);
    result.text = scan.TakeText();
    if (!result.changed) FUZZ_CHECK(result.text == page);
  }
  FUZZ_CHECK(world.host.last_percent >= -1 && world.host.last_percent <= 100);
  return result;
}

}  // namespace
}  // namespace zelvora::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zelvora;
  using namespace zelvora::fuzzing;
  FuzzedDataProvider input(data, size);
  FuzzWorld world(input);
  LinkScript script;
  script.links = input.ConsumeIntegral<uint64_t>();
  script.set_aside = input.ConsumeBool();
  const std::string page = input.ConsumeRemainingBytesAsString();
  world.fs.AddFile(kPagePath, page, kPageTime);

  const ScanResult first = ScanToEnd(world, page, script);
  // A page stamped from the templates without any error or question, with every link
  // followed, is up to date: the same scan of its new text changes nothing.
  const bool clean = first.event == ScanEvent::kFinished && first.changed &&
                     world.settings.AssignWriteFmt == 0 && world.context.state.ErrorCount == 0 &&
                     world.host.asked.empty();
  if (clean) {
    FuzzWorld again(world);
    again.fs.AddFile(kPagePath, first.text, kPageTime);
    const ScanResult second = ScanToEnd(again, first.text, script);
    FUZZ_CHECK(second.event == ScanEvent::kFinished);
    FUZZ_CHECK(!second.changed);
  }
  return 0;
}
