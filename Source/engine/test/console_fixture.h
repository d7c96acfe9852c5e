// In-process set-up for console tests: the engine as start-up leaves it (one
// search thread, a small table), and a capture of what a command prints.
#pragma once
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/bitboard.h"
#include "board/fen.h"
#include "engine/console.h"
#include "engine/params.h"
#include "engine/startup.h"
#include "eval/bitbase.h"
#include "eval/weights.h"
#include "search/keys.h"
#include "search/records.h"
#include "search/searchdata.h"
#include "search/searchparams.h"
#include "search/threads.h"
#include "search/tt.h"
#include "tempdir.h"

class ConsoleTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(StartUpDefaults());
    Personality.Hash = 1;
    PBlock.protocol = 0;
    PBlock.info_delay = kSilentInfoDelay;
    Personality.Threads = 1;
    ASSERT_TRUE(StartUpEngine());
  }
  static void TearDownTestSuite() { KillThreadPool(SearchData.thread_count); }
  void SetUp() override { ASSERT_EQ(SetPosition(&CTD->pos, fen_opn), kSetOk); }

  // What the line prints on standard output.
  static std::string Run(const std::string& line) {
    ::testing::internal::CaptureStdout();
    ProcessConsole(line.c_str());
    std::fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
  }

  // Runs a command whose dialogue reads standard input, feeding it input.
  static std::string RunWithInput(const std::string& line, const std::string& input) {
    char path[] = "/tmp/kerv_console_in_XXXXXX";
    const int fd = mkstemp(path);
    close(fd);
    WriteFile(path, input);
    const int saved = dup(0);
    EXPECT_NE(std::freopen(path, "r", stdin), nullptr);
    std::string out = Run(line);
    dup2(saved, 0);
    close(saved);
    std::clearerr(stdin);
    std::remove(path);
    return out;
  }

  static std::string Epd() {
    char epd[256];
    MakeEPD(&CTD->pos, epd);
    return epd;
  }
};
