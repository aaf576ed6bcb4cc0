// A complete run context over a private temporary folder, for tests of the engine: the live
// settings, a scripted host, a log, the Japanese regional settings and the real file system
// (or a fault-injecting wrapper of it).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/regional_settings.h"
#include "records/run_log.h"
#include "run/run_context.h"
#include "tests/support/fault_injecting_file_system.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"

namespace zelvora::testing {

// Well-known moments (time zone JST-9, as the test runner sets it).
inline constexpr int64_t k1999_01_03_140730 = 915340050;   // 1999/01/03 14:07:30
inline constexpr int64_t k2002_01_12_100000 = 1010797200;  // 2002/01/12 10:00:00
inline constexpr int64_t k2024_05_06_120406 = 1714964646;  // 2024/05/06 12:04:06

struct RunWorld {
  RunWorld() : fs(RealFileSystem()), context(settings, host, fs, log, region) {
    context.state.ContinueFlag = true;
    host.continue_flag = &context.state.ContinueFlag;
  }

  // Writes a file below the world's folder with the given last-write time and returns its
  // full path.
  std::string File(std::string_view relative, std::string_view bytes,
                   int64_t modified = k1999_01_03_140730) {
    const std::string path = dir / relative;
    WriteBytes(path, bytes);
    SetModifiedTime(path, modified);
    return path;
  }

  // The log's entries joined, for checking whole sequences at once.
  std::string LogText() const {
    std::string text;
    for (const std::string& entry : log.LogList()) text += entry + "|";
    return text;
  }

  TempDir dir{"run"};
  TSetting settings;
  ScriptedHost host;
  RunLog log;
  RegionalSettings region = JapaneseRegionalSettings();
  FaultInjectingFileSystem fs;
  RunContext context;
};

}  // namespace zelvora::testing
