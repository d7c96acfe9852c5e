// Runs the program as a tool in a temporary directory, and a board of the
// test's own that reads move texts as the tools do.
#pragma once
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <sstream>

#include "engine/test/tempdir.h"
#include "engine/test/uci_harness.h"

inline std::vector<std::string> Lines(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

// What the program printed; a run must end with the given status.
inline std::vector<std::string> RunTool(const std::string& dir, const std::string& args, const std::string& in = "",
                                        int status = 0) {
  WriteFile(dir + "/in.txt", in);
  const int raw = std::system(("cd '" + dir + "' && '" KERV_BINARY "' " + args + " <in.txt >out.txt 2>&1").c_str());
  EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == status) << args;
  return Lines(ReadFile(dir + "/out.txt"));
}

struct GameBoard : harness::Board {
  GameBoard() { CTD = td; }
  ~GameBoard() { CTD = nullptr; }
  // The coordinate text of the move that text names, annotation marks aside.
  std::string Read(std::string text) {
    std::erase_if(text, [](char c) { return c == '#' || c == '!' || c == '?'; });
    char buf[kMoveTextSize];
    Move m;
    if (text.empty() || text.size() >= sizeof buf) return "";
    std::snprintf(buf, sizeof buf, "%s", text.c_str());
    return IsValidMove(buf, &m) ? MoveToStr(m, buf) : "";
  }
};
