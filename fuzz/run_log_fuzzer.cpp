// Loads a log file as a run does, ends the run and saves the log, then loads it again, all
// over a file system held in memory. Checked: every entry loaded is UTF-8 without a line end,
// no more entries are kept than a save can keep, and the entries a save keeps come back
// unchanged when the log is loaded again.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "fuzz/fuzz_check.h"
#include "fuzz/memory_file_system.h"
#include "platform/encoding.h"
#include "records/run_log.h"
#include "settings/setting.h"
#include "tests/support/scripted_host.h"

namespace {

constexpr char kLogPath[] = "/program/Zelvora.log";

void CheckEntries(const std::deque<std::string>& entries) {
  FUZZ_CHECK(entries.size() <= zelvora::RunLog::kMaxKeptEntries);
  for (const std::string& entry : entries) {
    FUZZ_CHECK(zelvora::IsValidUtf8(entry));
    FUZZ_CHECK(entry.find_first_of("\r\n") == std::string::npos);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zelvora;
  FuzzedDataProvider input(data, size);
  TSetting settings;
  settings.MaxLog = input.ConsumeIntegralInRange<int32_t>(50, 5000);
  const bool completed = input.ConsumeBool();
  fuzzing::MemoryFileSystem fs;
  fs.AddFile(kLogPath, input.ConsumeRemainingBytesAsString(), 1714964646);

  RunLog log;
  FUZZ_CHECK(log.OpenLog(fs, kLogPath));
  CheckEntries(log.LogList());
  const std::deque<std::string> loaded = log.LogList();

  testing::ScriptedHost host;
  log.CloseLog(fs, kLogPath, completed, 45000.5, settings, host);
  FUZZ_CHECK(host.shown.empty());
  // The save keeps the newest MaxLog / 2 entries, the end entry among them.
  const size_t kept = log.LogList().size() - 1;
  FUZZ_CHECK(kept <= loaded.size());

  RunLog reloaded;
  FUZZ_CHECK(reloaded.OpenLog(fs, kLogPath));
  CheckEntries(reloaded.LogList());
  FUZZ_CHECK(reloaded.LogList().size() >= kept);
  for (size_t i = 0; i < kept; ++i) {
    FUZZ_CHECK(reloaded.LogList()[i] == loaded[loaded.size() - kept + i]);
  }
  return 0;
}
