#include <gtest/gtest.h>

#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tempdir.h"

namespace {

struct Result {
  int status;
  std::string out, err;
};

// Runs the program in its own temporary directory with the given input.
// `limit` is a shell prefix such as "ulimit -v 2000000;".
Result RunKerv(const std::string& dir, const std::string& args, const std::string& input = "",
               const std::string& limit = "") {
  WriteFile(dir + "/in.txt", input);
  const std::string cmd = "cd '" + dir + "' && (" + limit + " exec '" KERV_BINARY "' " + args +
                          " < in.txt > out.txt 2> err.txt)";
  const int raw = std::system(cmd.c_str());
  Result r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir + "/out.txt"), ReadFile(dir + "/err.txt")};
  return r;
}

struct TempDir {
  std::string path = MakeTempDir();
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

}  // namespace

TEST(Program, QuitEndsWithStatusZero) {
  TempDir d;
  EXPECT_EQ(RunKerv(d.path, "", "uci\nisready\nquit\n").status, 0);
  EXPECT_EQ(RunKerv(d.path, "-threads 4 -hash 1", "quit\n").status, 0);
}

TEST(Program, Bench2PrintsNothingAndEmptiesTheLog) {
  TempDir d;
  WriteFile(d.path + "/kerv.log", "stale line\n");
  const Result r = RunKerv(d.path, "-bench2");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  ASSERT_TRUE(std::filesystem::exists(d.path + "/kerv.log"));
  EXPECT_EQ(ReadFile(d.path + "/kerv.log"), "");
}

TEST(Program, MkconfigCreatesAnEmptyRcFile) {
  TempDir d;
  WriteFile(d.path + "/kerv.rc", "old setting\n");
  Result r = RunKerv(d.path, "-mkconfig");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  ASSERT_TRUE(std::filesystem::exists(d.path + "/kerv.rc"));
  EXPECT_EQ(std::filesystem::file_size(d.path + "/kerv.rc"), 0u);

  // Cannot be created: said, status 1.
  std::filesystem::remove(d.path + "/kerv.rc");
  std::filesystem::create_directories(d.path + "/kerv.rc/x");
  r = RunKerv(d.path, "-mkconfig");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "can't write kerv.rc\n");
}

TEST(Program, LogFolderIsLeftAloneAndTheRunGoesOn) {
  TempDir d;
  std::filesystem::create_directories(d.path + "/kerv.log");
  const Result r = RunKerv(d.path, "-log -bench2");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "kerv.log is a folder, left alone: no log\n");
  EXPECT_TRUE(std::filesystem::is_directory(d.path + "/kerv.log"));
}

// The log is emptied at start: a tool that would read it, by any name, is refused before that.
TEST(Program, ToolWhoseInputIsTheLogIsRefusedAndTheLogKept) {
  TempDir d;
  const std::string games = "[Event \"a\"]\n\n1. e4 e5 *\n";
  WriteFile(d.path + "/kerv.log", games);
  std::filesystem::create_symlink("kerv.log", d.path + "/link.pgn");
  const std::vector<std::string> inputs = {"-scan_pgn1 kerv.log", "-mkbook ./link.pgn", "-anepd " + d.path + "/kerv.log"};
  for (const std::string& input : inputs) {
    const Result r = RunKerv(d.path, "-log " + input);
    EXPECT_EQ(r.status, 1) << input;
    EXPECT_EQ(r.out, input.substr(input.find(' ') + 1) + " is also the output kerv.log, nothing done\n");
    EXPECT_EQ(ReadFile(d.path + "/kerv.log"), games) << input;
  }
}

TEST(Program, NpsPrintsTheRatingButDoesNotLogIt) {
  TempDir d;
  const Result r = RunKerv(d.path, "-log -nps 20000 -bench2");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Elo= 2436\n");
  EXPECT_EQ(ReadFile(d.path + "/kerv.log"), "");
}

TEST(Program, TableThatCannotBeAllocatedEndsWithStatusOneSilently) {
  TempDir d;
  // The same limit leaves room for a normal table.
  Result r = RunKerv(d.path, "-hash 64", "quit\n", "ulimit -v 2000000;");
  EXPECT_EQ(r.status, 0);
  r = RunKerv(d.path, "-hash 8192", "quit\n", "ulimit -v 2000000;");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
}
