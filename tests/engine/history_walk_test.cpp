// The history walk over streams written as git writes them, commit by commit.
#include "engine/history_walk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelvora {
namespace {

using End = PathHistory::End;

// Object names: a letter and its repetition to 40 characters.
std::string Id(char c) { return std::string(40, c); }
constexpr char kNone = '0';

struct ChangeLine {
  char from;  // the version before, kNone when the path was added
  char to;    // the version after, kNone when the path was deleted
  std::string path;
};

// One record of "git log --pretty=raw --parents -m --raw -z": a commit (or one of a merge's
// parents' lists, `from`) with its changes.
std::string Record(char id, const std::string& parents, int64_t time,
                   const std::vector<ChangeLine>& changes, char from = 0) {
  std::string text = "commit " + Id(id);
  for (const char parent : parents) text += " " + Id(parent);
  if (from != 0) text += " (from " + Id(from) + ")";
  text += "\ntree " + Id('f') + "\nauthor A <a@b> 1 +0900\ncommitter C <c@d> " +
          std::to_string(time) + " +0900\n\n    message\n    \n    body\n";
  if (changes.empty()) return text + '\0';
  text += '\n';
  for (const ChangeLine& change : changes) {
    const char status = change.from == kNone ? 'A' : change.to == kNone ? 'D' : 'M';
    text += std::string(":100644 100644 ") + Id(change.from) + " " + Id(change.to) + " " + status +
            '\0' + change.path + '\0';
  }
  return text + '\0';
}

// Walks `stream` and returns the paths; fails the test when the walk fails.
std::unordered_map<std::string, PathHistory> Walk(const std::string& stream,
                                                  std::unordered_set<std::string> boundary = {},
                                                  BlobComparer compare = {},
                                                  size_t max_changes = 16) {
  if (!compare)
    compare = [](const std::string&, const std::string&) -> Result<bool> { return false; };
  HistoryWalk walk(std::move(boundary), compare, max_changes);
  size_t start = 0;
  while (start < stream.size()) {
    const size_t end = stream.find('\0', start);
    EXPECT_TRUE(walk.Feed(std::string_view(stream).substr(start, end - start)).ok());
    start = end + 1;
  }
  EXPECT_TRUE(walk.Finish().ok());
  return walk.paths();
}

std::vector<int64_t> Times(const PathHistory& history) {
  std::vector<int64_t> times;
  for (const auto& change : history.changes) times.push_back(change.time);
  return times;
}

TEST(HistoryWalkTest, EachPathGetsTheChangesOfItsOwnHistoryNewestFirst) {
  const std::string stream =
      Record('c', "b", 300, {{'2', '3', "b.htm"}}) +
      Record('b', "a", 200, {{'1', '2', "b.htm"}, {'1', '4', "a.htm"}}) +
      Record('a', "", 100,
             {{kNone, '1', "a.htm"}, {kNone, '1', "b.htm"}, {kNone, '5', "gone.htm"}});
  auto paths = Walk(Record('d', "c", 400, {{'5', kNone, "gone.htm"}}) + stream);
  EXPECT_EQ(Times(paths["b.htm"]), (std::vector<int64_t>{300, 200, 100}));
  EXPECT_EQ(paths["b.htm"].changes[0].old_blob, Id('2'));
  EXPECT_EQ(paths["b.htm"].changes[2].old_blob, "") << "the addition";
  EXPECT_EQ(paths["b.htm"].head_blob, Id('3'));
  EXPECT_EQ(paths["b.htm"].end, End::kComplete);
  EXPECT_EQ(Times(paths["a.htm"]), (std::vector<int64_t>{200, 100}));
  EXPECT_EQ(paths["gone.htm"].head_blob, "") << "deleted: not in HEAD";

  // Collecting stops after a few changes; the rest of the history goes on from there.
  paths = Walk(stream, {}, {}, 2);
  EXPECT_EQ(Times(paths["b.htm"]), (std::vector<int64_t>{300, 200}));
  EXPECT_EQ(paths["b.htm"].end, End::kMore);
  EXPECT_EQ(paths["b.htm"].more_from, Id('a'));

  // A shallow clone's history is cut off at its boundary, which lists every path as added.
  paths = Walk(stream, {Id('a')});
  EXPECT_EQ(Times(paths["b.htm"]), (std::vector<int64_t>{300, 200}));
  EXPECT_EQ(paths["b.htm"].end, End::kBeyondHistory);
}

TEST(HistoryWalkTest, AMergeIsPassedTowardsTheParentWhoseVersionItKept) {
  // d merges side e into main 2: its lists against each parent it differs from.
  //   1 (100) adds p, q;  2 (200) changes q;  e (300) changes p and q
  const std::string base = Record('e', "1", 300, {{'1', '7', "p.htm"}, {'1', '8', "q.htm"}}) +
                           Record('2', "1", 200, {{'1', '2', "q.htm"}}) +
                           Record('1', "", 100, {{kNone, '1', "p.htm"}, {kNone, '1', "q.htm"}});
  // "-s ours": the merge is main's version; against the side, p and q differ.
  auto paths = Walk(Record('d', "2e", 400, {{'7', '1', "p.htm"}, {'8', '2', "q.htm"}}, 'e') + base);
  EXPECT_EQ(Times(paths["p.htm"]), (std::vector<int64_t>{100}));
  EXPECT_EQ(Times(paths["q.htm"]), (std::vector<int64_t>{200, 100}));

  // The side's q taken whole: against main, q differs; p is main's.
  paths = Walk(Record('d', "2e", 400, {{'2', '8', "q.htm"}}, '2') +
               Record('d', "2e", 400, {{'7', '1', "p.htm"}}, 'e') + base);
  EXPECT_EQ(Times(paths["q.htm"]), (std::vector<int64_t>{300, 100}));
  EXPECT_EQ(Times(paths["p.htm"]), (std::vector<int64_t>{100}));

  // A resolved conflict: q differs from both parents. Unless one parent's version differs
  // only in date areas, the merge changed it.
  const std::string resolved = Record('d', "2e", 400, {{'2', '9', "q.htm"}}, '2') +
                               Record('d', "2e", 400, {{'8', '9', "q.htm"}}, 'e') + base;
  paths = Walk(resolved);
  EXPECT_EQ(Times(paths["q.htm"]), (std::vector<int64_t>{400}));
  EXPECT_EQ(paths["q.htm"].end, End::kComplete);
  paths = Walk(resolved, {}, [](const std::string& before, const std::string&) -> Result<bool> {
    return before == Id('8');
  });
  EXPECT_EQ(Times(paths["q.htm"]), (std::vector<int64_t>{400, 300, 100}));
  EXPECT_EQ(paths["q.htm"].changes[0].old_blob, Id('8'));
}

TEST(HistoryWalkTest, OutputThatIsNoHistoryFails) {
  for (const std::string& piece : {std::string("not a history"), std::string("commit 0 1"),
                                   "commit " + Id('a') + "\ncommitter x <y> soon +0000\n",
                                   std::string(":100644 100644 x y M")}) {
    HistoryWalk walk({}, {});
    EXPECT_FALSE(walk.Feed(piece).ok()) << piece;
  }
  HistoryWalk cut({}, {});
  const std::string record = Record('a', "", 100, {{kNone, '1', "a.htm"}});
  ASSERT_TRUE(cut.Feed(record.substr(0, record.find('\0'))).ok());
  EXPECT_FALSE(cut.Finish().ok()) << "a change without its path";
}

}  // namespace
}  // namespace zelvora
