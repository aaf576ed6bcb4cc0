// zelvora-crash-test: kills stamp runs at random moments and checks that no page, backup or
// time stamp is ever lost or half-written, and that the next run completes the site.
//
//   zelvora-crash-test --stamp PATH --pages N --rounds R --work DIR [--seed S]
//                      [--shape site|chain] [--page-bytes B]
//                      [--faults P [--fault-points LIST] [--fiu-run PATH]]
//
// The site is generated into DIR/pristine and stamped once to completion into DIR/reference
// (which also checks that a second run finds nothing to write). Each round copies the
// pristine site to DIR/round, starts zelvora-stamp on it with backups on, kills it with
// SIGKILL after a random delay within the time of the complete run, checks the site, runs
// zelvora-stamp again to completion and checks the result against the reference.
// With --rounds 0 only the reference runs are made and checked (a completion test).
//
// With --faults P the rounds inject failures instead of killing: each round gives every page
// of a fresh copy an older generation 1, runs zelvora-stamp to its end under libfiu's fiu-run
// with reads, writes, renames, links and deletions failing with probability P each (the
// error policy set to go on as far as it can), checks that every page is whole and that no
// generation was lost or put out of order, then runs again without failures and checks that
// the site is complete with the page's whole history in its generations. The calls that
// libfiu does not wrap (renameat2, linkat) fail through libzelvora_fault_calls.so, which
// zelvora-preload-exec adds to the preloaded libraries; both lie beside this program.
// Exits 0 when every check passed, 1 on any violation, 2 on a usage or setup error.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_process.h"
#include "bench/crash_check.h"
#include "bench/site_model.h"

namespace zelvora::bench {
namespace {

constexpr char kUsage[] =
    "usage: zelvora-crash-test --stamp PATH --pages N --rounds R --work DIR [--seed S]\n"
    "                          [--shape site|chain] [--page-bytes B]\n"
    "                          [--faults P [--fault-points LIST] [--fiu-run PATH]]\n";
constexpr char kErrorEntry[] = "※　エラーが発生しました。";
// The failure points switched on in a faulted run unless --fault-points names others:
// libfiu's own and those of libzelvora_fault_calls.so.
constexpr char kFaultPoints[] =
    "posix/io/rw/read,posix/io/rw/read/reduce,posix/io/rw/write,posix/io/rw/write/reduce,"
    "posix/io/dir/rename,posix/io/dir/renameat2,posix/io/dir/linkat,posix/io/dir/unlink";
constexpr char kWrittenEntry[] = "◎日付を記入しました：";
constexpr char kScanStartEntry[] = "◎日付記入開始：";
constexpr size_t kViolationsShown = 10;

struct Options {
  std::string stamp;
  std::string work;
  int rounds = -1;
  SiteOptions site;
  double faults = 0;  // probability of each failure point; 0 kills runs instead
  std::string fault_points = kFaultPoints;  // comma-separated
  std::string fiu_run = "fiu-run";
};

template <typename T>
bool ParseNumber(std::string_view text, T& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool ParseArguments(int argc, char** argv, Options& options) {
  options.site.pages = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view name = argv[i];
    const std::string_view value = argv[i + 1];
    bool ok = true;
    if (name == "--stamp") {
      options.stamp = value;
    } else if (name == "--work") {
      options.work = value;
    } else if (name == "--pages") {
      ok = ParseNumber(value, options.site.pages);
    } else if (name == "--rounds") {
      ok = ParseNumber(value, options.rounds);
    } else if (name == "--seed") {
      ok = ParseNumber(value, options.site.seed);
    } else if (name == "--page-bytes") {
      ok = ParseNumber(value, options.site.page_bytes);
    } else if (name == "--faults") {
      ok = ParseNumber(value, options.faults) && options.faults > 0 && options.faults <= 1;
    } else if (name == "--fault-points") {
      options.fault_points = value;
    } else if (name == "--fiu-run") {
      options.fiu_run = value;
    } else if (name == "--shape") {
      ok = value == "site" || value == "chain";
      options.site.shape = value == "chain" ? SiteShape::kChain : SiteShape::kSite;
    } else {
      ok = false;
    }
    if (!ok) return false;
  }
  return argc % 2 == 1 && !options.stamp.empty() && !options.work.empty() &&
         options.site.pages >= 1 && options.rounds >= 0;
}

// One zelvora-stamp invocation of the test: the settings store and the log live in the work
// folder, backups are on and any error aborts the run (so it shows in the exit status).
class StampRunner {
 public:
  StampRunner(const Options& options, const std::string& root_page)
      : stamp_(std::filesystem::absolute(options.stamp)),
        work_(options.work),
        root_(root_page),
        faults_(options.faults),
        fault_points_(options.fault_points),
        fiu_run_(options.fiu_run) {}

  std::vector<std::string> Arguments(const std::string& site) const {
    return {stamp_,  "--set",     "Backup=1",        "--set", "KeepTimeStamp=1",
            "--set", "ErrCope=0", site + "/" + root_};
  }

  // A run under fiu-run with every failure point on; the run goes on past the failures it
  // may pass over (ErrCope=1), so that one run meets many of them.
  std::vector<std::string> FaultArguments(const std::string& site) const {
    const std::filesystem::path here =
        std::filesystem::read_symlink("/proc/self/exe").parent_path();
    std::vector<std::string> arguments = {fiu_run_, "-x", "-f", ""};
    for (size_t start = 0; start < fault_points_.size();) {
      const size_t end = std::min(fault_points_.find(',', start), fault_points_.size());
      arguments.push_back("-c");
      arguments.push_back("enable_random name=" + fault_points_.substr(start, end - start) +
                          ",probability=" + std::to_string(faults_));
      start = end + 1;
    }
    for (const std::string& argument :
         {(here / "zelvora-preload-exec").string(), (here / "libzelvora_fault_calls.so").string(),
          stamp_, std::string("--set"), std::string("Backup=1"), std::string("--set"),
          std::string("KeepTimeStamp=1"), std::string("--set"), std::string("ErrCope=1"),
          site + "/" + root_}) {
      arguments.push_back(argument);
    }
    return arguments;
  }
  std::vector<std::string> Environment() const {
    return {"ZELVORA_REGISTRY=" + work_ + "/env/registry.reg",
            "ZELVORA_PROGRAM_DIR=" + work_ + "/env"};
  }
  std::string OutPath() const { return work_ + "/stamp.out"; }
  std::string ErrPath() const { return work_ + "/stamp.err"; }

  // Runs to completion; returns the exit and leaves the run's log entries in `log`.
  ChildExit Run(const std::string& site, std::string& log, std::string& error) const {
    Truncate();
    const ChildExit exit = RunChild(Arguments(site), Environment(), OutPath(), ErrPath(), error);
    log = ReadWholeFile(ErrPath());
    return exit;
  }

  ChildExit RunWithFaults(const std::string& site, std::string& log, std::string& error) const {
    Truncate();
    const ChildExit exit =
        RunChild(FaultArguments(site), Environment(), OutPath(), ErrPath(), error);
    log = ReadWholeFile(ErrPath());
    return exit;
  }

  pid_t Start(const std::string& site, std::string& error) const {
    Truncate();
    return StartChild(Arguments(site), Environment(), OutPath(), ErrPath(), error);
  }

 private:
  // Empties (or creates) the files that receive the run's output.
  void Truncate() const {
    std::ofstream(OutPath(), std::ios::trunc);
    std::ofstream(ErrPath(), std::ios::trunc);
  }

  std::string stamp_;
  std::string work_;
  std::string root_;
  double faults_;
  std::string fault_points_;
  std::string fiu_run_;
};

// Lines of a run's log that start the scan of a temporary file: a temporary file must never
// be taken for a page.
size_t CountTemporaryScans(const std::string& log) {
  size_t count = 0;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    const std::string_view line = std::string_view(log).substr(start, end - start);
    if (line.find(kScanStartEntry) != line.npos && line.find("/.zelvora-") != line.npos) ++count;
    start = end + 1;
  }
  return count;
}

void Report(const std::string& what, const SiteCheck& check, size_t& violations) {
  for (size_t i = 0; i < check.violations.size() && i < kViolationsShown; ++i) {
    std::printf("  %s: %s\n", what.c_str(), check.violations[i].c_str());
  }
  if (check.violations.size() > kViolationsShown) {
    std::printf("  %s: ... %zu violations in all\n", what.c_str(), check.violations.size());
  }
  violations += check.violations.size();
}

// Makes the pristine site and the reference; returns the duration of the complete run, or a
// negative value after printing why the setup failed.
double Prepare(const Options& options, const SitePlan& plan, const StampRunner& runner,
               ExpectedSite& expected, size_t& violations) {
  const std::string pristine = options.work + "/pristine";
  const std::string reference = options.work + "/reference";
  for (const char* sub : {"/pristine", "/reference", "/round", "/env"})
    RemoveTree(options.work + sub);
  std::filesystem::create_directories(options.work + "/env");
  std::string failed = WriteSite(plan, pristine);
  if (failed.empty()) failed = CopyTree(pristine, reference);
  if (!failed.empty()) {
    std::printf("setup failed: %s\n", failed.c_str());
    return -1;
  }
  expected.pristine = ReadTree(pristine);

  std::string log;
  const double start = MonotonicSeconds();
  ChildExit exit = runner.Run(reference, log, failed);
  const double duration = MonotonicSeconds() - start;
  if (!exit.exited || exit.code != 0) {
    std::printf("reference run failed (%s) %s\n%s", DescribeExit(exit).c_str(), failed.c_str(),
                log.substr(log.size() > 2000 ? log.size() - 2000 : 0).c_str());
    return -1;
  }
  const TreeSnapshot stamped = ReadTree(reference);
  const SiteCheck first = CheckFirstStamp(expected.pristine, stamped);
  std::printf("reference: %zu pages stamped in %.3f s, %zu written entries, %zu violations\n",
              first.stamped_pages, duration, CountLinesWith(log, kWrittenEntry),
              first.violations.size());
  Report("reference", first, violations);

  exit = runner.Run(reference, log, failed);
  const size_t rewritten = CountLinesWith(log, kWrittenEntry);
  const bool unchanged = ReadTree(reference) == stamped;
  std::printf("second run: %s, %zu pages written, site %s\n", DescribeExit(exit).c_str(), rewritten,
              unchanged ? "unchanged" : "CHANGED");
  if (!exit.exited || exit.code != 0 || rewritten != 0 || !unchanged) ++violations;
  expected.reference = stamped;
  return duration;
}

// One round; returns the number of violations found.
size_t RunRound(const Options& options, const StampRunner& runner, const ExpectedSite& expected,
                int round, double delay, double full_run) {
  const std::string site = options.work + "/round";
  RemoveTree(site);
  std::string error = CopyTree(options.work + "/pristine", site);
  if (!error.empty()) {
    std::printf("round %d: %s\n", round, error.c_str());
    return 1;
  }
  const pid_t pid = runner.Start(site, error);
  if (pid < 0) {
    std::printf("round %d: %s\n", round, error.c_str());
    return 1;
  }
  const timespec pause{
      static_cast<time_t>(delay),
      static_cast<long>((delay - static_cast<double>(static_cast<time_t>(delay))) * 1e9)};
  nanosleep(&pause, nullptr);
  int status = 0;
  const bool finished_first = waitpid(pid, &status, WNOHANG) == pid;
  if (!finished_first) {
    kill(pid, SIGKILL);
    WaitChild(pid);
  }

  size_t violations = 0;
  const SiteCheck killed = CheckInterrupted(expected, ReadTree(site));
  Report("after kill", killed, violations);

  std::string log;
  const ChildExit rerun = runner.Run(site, log, error);
  if (!rerun.exited || rerun.code != 0) {
    std::printf("  rerun: %s %s\n", DescribeExit(rerun).c_str(), error.c_str());
    ++violations;
  }
  if (CountTemporaryScans(log) > 0) {
    std::printf("  rerun: a temporary file was scanned as a page\n");
    ++violations;
  }
  const SiteCheck completed = CheckCompleted(expected, ReadTree(site));
  Report("after rerun", completed, violations);

  std::printf(
      "round %d: %s at %.3f s of %.3f s: %zu pages stamped, %zu generations, %zu temporary; "
      "rerun %s wrote %zu pages, %zu temporary left; %s\n",
      round, finished_first ? "finished before the kill" : "killed", delay, full_run,
      killed.stamped_pages, killed.backups, killed.temporaries, DescribeExit(rerun).c_str(),
      CountLinesWith(log, kWrittenEntry), completed.temporaries, violations == 0 ? "ok" : "FAILED");
  std::fflush(stdout);
  return violations;
}

// An older generation 1 for every page of the site, so that a faulted run has generations
// to rotate and a lost or misplaced one shows.
TreeSnapshot OlderGenerations(const ExpectedSite& expected) {
  TreeSnapshot older;
  for (const auto& [path, state] : expected.pristine) {
    if (!path.ends_with(".html")) continue;
    const std::string generation = path.substr(0, path.size() - 5) + "_Bak1.bak";
    older[generation] = {"<p>an older text of " + path + "</p>\r\n", state.mtime - 86400};
  }
  return older;
}

// Writes the files with their last-write times (a folder that is a page's date source must
// not look newer for them).
std::string WriteFiles(const std::string& folder, const TreeSnapshot& files) {
  for (const auto& [path, state] : files) {
    const std::string full = folder + "/" + path;
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out << state.bytes;
    out.close();
    const timespec times[2] = {{state.mtime, 0}, {state.mtime, 0}};
    if (!out || utimensat(AT_FDCWD, full.c_str(), times, 0) != 0) return "cannot write " + full;
  }
  return {};
}

// One round with injected failures; returns the number of violations found.
size_t RunFaultRound(const Options& options, const StampRunner& runner,
                     const ExpectedSite& expected, const TreeSnapshot& older, int round) {
  const std::string site = options.work + "/round";
  RemoveTree(site);
  std::string error = CopyTree(options.work + "/pristine", site);
  if (error.empty()) error = WriteFiles(site, older);
  if (!error.empty()) {
    std::printf("round %d: %s\n", round, error.c_str());
    return 1;
  }
  size_t violations = 0;
  std::string log;
  const ChildExit faulted = runner.RunWithFaults(site, log, error);
  // Stopped by its error policy (exit 1) or finished: anything else is a crash.
  if (!faulted.exited || (faulted.code != 0 && faulted.code != 1)) {
    std::printf("  faulted run: %s %s\n", DescribeExit(faulted).c_str(), error.c_str());
    ++violations;
  }
  const size_t reports = CountLinesWith(log, kErrorEntry);
  const size_t written = CountLinesWith(log, kWrittenEntry);
  const SiteCheck after_faults = CheckHistory(expected, older, ReadTree(site), false);
  Report("after faults", after_faults, violations);

  const ChildExit rerun = runner.Run(site, log, error);
  if (!rerun.exited || rerun.code != 0) {
    std::printf("  rerun: %s %s\n", DescribeExit(rerun).c_str(), error.c_str());
    ++violations;
  }
  if (CountTemporaryScans(log) > 0) {
    std::printf("  rerun: a temporary file was scanned as a page\n");
    ++violations;
  }
  const SiteCheck completed = CheckHistory(expected, older, ReadTree(site), true);
  Report("after rerun", completed, violations);

  std::printf(
      "round %d: faulted run %s with %zu error reports wrote %zu pages: %zu pages stamped, "
      "%zu generations, %zu temporary; rerun %s wrote %zu pages; %s\n",
      round, DescribeExit(faulted).c_str(), reports, written, after_faults.stamped_pages,
      after_faults.backups, after_faults.temporaries, DescribeExit(rerun).c_str(),
      CountLinesWith(log, kWrittenEntry), violations == 0 ? "ok" : "FAILED");
  std::fflush(stdout);
  return violations;
}

}  // namespace
}  // namespace zelvora::bench

int main(int argc, char** argv) {
  using namespace zelvora::bench;
  Options options;
  if (!ParseArguments(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  options.work = std::filesystem::absolute(options.work).lexically_normal().string();
  const SitePlan plan = PlanSite(options.site);
  const StampRunner runner(options, plan.pages[0].path);
  ExpectedSite expected;
  size_t violations = 0;
  const double full_run = Prepare(options, plan, runner, expected, violations);
  if (full_run < 0) return 2;

  if (options.faults > 0) {
    const TreeSnapshot older = OlderGenerations(expected);
    for (int round = 1; round <= options.rounds; ++round) {
      violations += RunFaultRound(options, runner, expected, older, round);
    }
  } else {
    std::mt19937_64 random(options.site.seed * 7919 + 17);
    for (int round = 1; round <= options.rounds; ++round) {
      const double fraction = static_cast<double>(random() >> 11) * 0x1.0p-53;
      violations += RunRound(options, runner, expected, round, fraction * full_run, full_run);
    }
  }
  std::printf("verdict: %s (%zu pages, %d rounds, %zu violations)\n",
              violations == 0 ? "PASS" : "FAIL", plan.pages.size(), options.rounds, violations);
  return violations == 0 ? 0 : 1;
}
