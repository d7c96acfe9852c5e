// Missing, empty, binary and over-long input costs the tools a line, never a
// crash or a wrong count.
#include <gtest/gtest.h>

#include "run_tool.h"

TEST(ToolInput, BadFilesCostALineEach) {
  std::string binary, x(10000, 'x');
  for (uint32_t i = 0, r = 12345; i < 20000; i++) binary += char((r = r * 1103515245u + 12345u) >> 24);
  const std::string mate = "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - bm Ra8#;\n";
  const struct {
    std::string args, content;  // "-": no file
    std::vector<std::string> head;
    std::string last;
  } cases[] = {
      {"-anepd in.dat", "-", {"can't open in.dat"}, "can't open in.dat"},
      {"-scan_pgn2 in.dat", "-", {"can't open in.dat"}, "can't open in.dat"},
      {"-anepd in.dat",
       "",
       {"Analyzing in.dat...", "0 / 0 correct best moves", "total nodes= 0", "total time= 0.00 seconds",
        "avg depth= 0.0", "avg nodes= 0.0", "node_rate= 0", "avg bf= 0.00"},
       ""},
      {"-scan_pgn3 in.dat", "", {"games= 0, positions= 0"}, "games= 0, positions= 0"},
      {"-quiet -d 2 -anepd in.dat", binary, {"Analyzing in.dat..."}, ""},
      {"-scan_pgn1 in.dat", binary, {}, "games= 0, positions= 0"},
      {"-quiet -d 2 -anepd in.dat",
       mate + mate.substr(0, 40) + x + "\n" + mate,
       {"Analyzing in.dat...", "skipped a line longer than 510 characters", "2 / 2 correct best moves"},
       ""},
      {"-scan_pgn3 in.dat",
       "[Event \"x\"]\n\n1. e4 {" + x + "} e5 {+0.1/5} 2. Nf3 {+0.2/5} " + x + "\n",
       {"games= 1, positions= 2"},
       "games= 1, positions= 2"},
  };
  for (const auto& c : cases) {
    InTempDir tmp;
    if (c.content != "-") WriteFile(tmp.dir + "/in.dat", c.content);
    const auto out = RunTool(tmp.dir, c.args);
    ASSERT_GE(out.size(), c.head.size()) << c.args;
    EXPECT_EQ(std::vector<std::string>(out.begin(), out.begin() + c.head.size()), c.head) << c.args;
    EXPECT_EQ(out.back(), c.last) << c.args;
  }
}
