#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <thread>

#include "engine/output.h"
#include "engine/params.h"
#include "tempdir.h"

TEST(Output, ShowMessageWritesTheLineAndCopiesOnlyWhileLogIsOn) {
  InTempDir tmp;
  WriteFile("kerv.log", "line of an earlier run\n");
  Personality.Log = 0;
  testing::internal::CaptureStdout();
  OpenLog();
  ASSERT_NE(fdlog, nullptr);
  ShowMessage("first");
  Personality.Log = 1;
  ShowMessage("second %s %d%%");
  ShowMessage("");
  Personality.Log = 0;
  ShowMessage("third");
  CloseLog();
  EXPECT_EQ(fdlog, nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "first\nsecond %s %d%%\n\nthird\n");
  EXPECT_EQ(ReadFile("kerv.log"), "second %s %d%%\n\n");
}

TEST(Output, LogFolderIsReportedAndNotWritten) {
  InTempDir tmp;
  std::filesystem::create_directories("kerv.log/inside");
  Personality.Log = 0;
  testing::internal::CaptureStdout();
  OpenLog();
  Personality.Log = 1;
  ShowMessage("after");
  Personality.Log = 0;
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "kerv.log is a folder, left alone: no log\nafter\n");
  EXPECT_EQ(fdlog, nullptr);
  EXPECT_TRUE(std::filesystem::is_directory("kerv.log/inside"));
  CloseLog();
}

TEST(Output, LogThatCannotBeCreatedIsSaidWhenAskedFor) {
  InTempDir tmp;
  std::filesystem::create_directory("gone");
  std::filesystem::current_path("gone");
  std::filesystem::remove("../gone");  // nothing can be created in a removed directory
  Personality.Log = 1;
  testing::internal::CaptureStdout();
  OpenLog();
  Personality.Log = 0;
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "can't write kerv.log\n");
}

TEST(Output, LongLinesFromTwoThreadsNeverInterleave) {
  constexpr int kLines = 3000;
  const std::string a(700, 'a'), b(5000, 'b');  // one below, one above the stack buffer
  testing::internal::CaptureStdout();
  std::thread t([&] {
    for (int i = 0; i < kLines; ++i) ShowMessage(b.c_str());
  });
  for (int i = 0; i < kLines; ++i) ShowMessage(a.c_str());
  t.join();
  std::istringstream out(testing::internal::GetCapturedStdout());
  int na = 0, nb = 0;
  for (std::string line; std::getline(out, line);) {
    if (line == a) ++na;
    else if (line == b) ++nb;
    else FAIL() << "torn line of " << line.size() << " characters";
  }
  EXPECT_EQ(na, kLines);
  EXPECT_EQ(nb, kLines);
}

TEST(Output, GetWord) {
  EXPECT_STREQ(GetWord("   go ponder"), "go");
  EXPECT_STREQ(GetWord("quit\n"), "quit");
  EXPECT_STREQ(GetWord("isready\r\n"), "isready");
  EXPECT_STREQ(GetWord("     "), "");
  EXPECT_STREQ(GetWord(""), "");
  EXPECT_STREQ(GetWord("\tuci"), "\tuci");  // only ' ' is a blank
  const std::string word(200, 'w');
  EXPECT_EQ(std::string(GetWord(word.c_str())), word.substr(0, 127));
}
