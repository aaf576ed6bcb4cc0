// The world that the fuzz targets of the engine run in: a small site held in memory, live
// settings and the answers to the run's questions drawn from the fuzzer's input, a host that
// records what the run shows, the Japanese regional settings, and a run context over them.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "fuzz/memory_file_system.h"
#include "platform/regional_settings.h"
#include "records/run_log.h"
#include "run/run_context.h"
#include "tests/support/scripted_host.h"

namespace zelvora::fuzzing {

// The page under test, and the last-write time it is given (2024/05/06 12:04:06 in JST).
inline constexpr char kPagePath[] = "/site/index.htm";
inline constexpr int64_t kPageTime = 1714964646;

// A host that records what the run shows and answers question n by bit n % 32 of its
// script: a set bit goes on (OK, Ignore), a clear one stops (Cancel, Abort).
class FuzzHost : public testing::ScriptedHost {
 public:
  uint32_t script = 0;

  Answer Ask(const std::string& text, Question kind) override {
    asked.push_back({text, kind});
    const bool go_on = (script >> (asked.size() % 32)) & 1;
    if (kind == Question::kOkCancel) return go_on ? Answer::kOk : Answer::kCancel;
    return go_on ? Answer::kIgnore : Answer::kAbort;
  }
};

struct FuzzWorld {
  // Draws the settings and the answers from the end of `input` (FuzzedDataProvider takes
  // numbers from the end), so that a seed which is a plain page stays mostly a page.
  explicit FuzzWorld(FuzzedDataProvider& input);

  // The same settings and answers as `other`, over a fresh site and host.
  explicit FuzzWorld(const FuzzWorld& other);

  MemoryFileSystem fs;
  TSetting settings;
  FuzzHost host;
  RunLog log;
  RegionalSettings region = JapaneseRegionalSettings();
  RunContext context{settings, host, fs, log, region};

 private:
  void AddSite();
};

}  // namespace zelvora::fuzzing
