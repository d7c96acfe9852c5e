// The benchmark's output and its node count, the search's fingerprint.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace {

// Nodes of "-threads 1 -d 8 -bench": any change of the search or the
// evaluation moves it; update it together with such a change.
constexpr long long kBenchNodesDepth8 = 288716;

std::vector<std::string> RunBench(const std::string& args) {
  char tmpl[] = "/tmp/kerv_bench_XXXXXX";
  const std::string dir = mkdtemp(tmpl) ? tmpl : "/tmp";
  const std::string cmd = "cd '" + dir + "' && '" KERV_BINARY "' " + args + " </dev/null";
  std::vector<std::string> lines;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) {
      std::string l = buf;
      if (!l.empty() && l.back() == '\n') l.pop_back();
      lines.push_back(l);
    }
    EXPECT_EQ(pclose(p), 0);
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return lines;
}

long long Nodes(const std::vector<std::string>& lines) {
  EXPECT_EQ(lines.size(), 12u);
  if (lines.size() != 12) return -1;
  EXPECT_EQ(lines[0], "Kerv 3.75 running benchmark using 1 threads");
  const std::regex pos("pos  \\d: +\\d+\\.\\d\\d seconds");
  for (int i = 0; i < 10; i++) {
    EXPECT_TRUE(std::regex_match(lines[1 + i], pos)) << lines[1 + i];
    EXPECT_EQ(lines[1 + i].substr(0, 7), "pos  " + std::to_string(i) + ":");
  }
  std::smatch m;
  const std::regex total("total time= (\\d+\\.\\d\\d) seconds, nodes= (\\d+), nps= (\\d+)");
  EXPECT_TRUE(std::regex_match(lines[11], m, total)) << lines[11];
  return m.size() == 4 ? std::stoll(m[2]) : -1;
}

}  // namespace

TEST(UciBench, SingleThreadNodeCountIsTheFingerprint) {
  const long long first = Nodes(RunBench("-threads 1 -d 8 -bench"));
  const long long second = Nodes(RunBench("-threads 1 -d 8 -bench"));
  EXPECT_GT(first, 0);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first, kBenchNodesDepth8);
}
