// Backup generations: before a stamped page replaces its old text, the old text becomes
// generation 1 and each older generation moves up by one number; the oldest falls off.
// Generation n of "/site/index.htm" is "/site/index_Bak<n>.bak".
#pragma once

#include <string>
#include <string_view>

#include "engine/run_context.h"
#include "engine/run_flow.h"

namespace zelvora {

// The path of generation `n` of `path`: the path without the extension of its name part,
// then "_Bak", n in decimal and ".bak". Only a "." in the name part starts an extension, so
// a name without one keeps its generations beside it even in a folder whose name holds a dot.
std::string BackupName(std::string_view path, int n);

// Rotates the generations of `path` (when the live settings have Backup on) so that the
// page's current text becomes generation 1: deletes generation BackupGenes, renames each
// younger generation one number up, then makes generation 1 a second name (a hard link, or a
// copy where links are impossible) of `data_path` — the file that holds the page's text,
// which differs from `path` when the page is a symbolic link. The page itself stays in place
// throughout. Each step that fails is reported (logged and counted once), tried again at
// once, and then asked Abort/Retry/Ignore under the error policy. Returns kAbort when the
// answer was Abort; the generations then stay as they are at that moment.
Flow RotateBackups(RunContext& context, const std::string& path, const std::string& data_path);

}  // namespace zelvora
