// The registry under SyzygyPath, damaged table files, and probes from many
// threads at once.
#include <gtest/gtest.h>

#include <thread>

#include "../../engine/test/tempdir.h"
#include "tb_fixture.h"

using namespace tbtest;

namespace {

std::string Table(const std::string& file) { return ReadFile(kTables + "/" + file); }

// A KQvK position with the queen on a1 and the kings apart; black to move
// needs the table itself (no capture, no promotion).
TbPosition KQvK(bool swapped) {
  TbPosition p{};
  const int c = swapped ? 8 : 0, m = swapped ? 56 : 0;
  Put(p, King | c, 4 ^ m);
  Put(p, Queen | c, 0 ^ m);
  Put(p, King | (c ^ 8), 39 ^ m);
  p.turn = swapped;
  return p;
}

int Probe(const TbPosition& p, int* ok) { return probe_wdl(&p, ok); }

}  // namespace

TEST(TablebaseRegistry, PathsAndCounts) {
  EXPECT_EQ(UseTables(kTables), "info string found 35 tablebases\n");
  EXPECT_EQ(TB_LARGEST, 4);
  InTempDir a;
  const std::string b = MakeTempDir();
  WriteFile(a.dir + "/KQvK.rtbw", Table("KQvK.rtbw"));
  WriteFile(b + "/KRvKP.rtbw", Table("KRvKP.rtbw"));
  std::string deep = b;  // a folder whose path runs past a thousand characters
  for (int i = 0; i < 5; i++) deep += "/" + std::string(220, char('a' + i));
  std::filesystem::create_directories(deep);
  std::filesystem::create_symlink(kTables + "/KQvK.rtbw", deep + "/KQvK.rtbw");
  const struct {
    std::string path, line;
    int largest;
  } cases[] = {
      {a.dir + ":/nonexistent:" + b, "info string found 2 tablebases\n", 4},
      {a.dir + ":", "info string found 1 tablebases\n", 3},
      {"::" + b, "info string found 1 tablebases\n", 4},
      {deep, "info string found 1 tablebases\n", 3},
      {"/nonexistent", "info string found 0 tablebases\n", 0},
      {"<empty>", "", 0},
      {"", "", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UseTables(c.path), c.line) << c.path;
    EXPECT_EQ(TB_LARGEST, c.largest) << c.path;
  }
  int ok;
  Probe(KQvK(false), &ok);
  EXPECT_EQ(ok, 0);  // nothing registered answers
  std::filesystem::remove_all(b);
}

// A DTZ miss under one path must not outlive the path: the cache is emptied
// with the registry.
TEST(TablebaseRegistry, DtzCacheFollowsThePath) {
  InTempDir dir;
  WriteFile(dir.dir + "/KQvK.rtbw", Table("KQvK.rtbw"));
  UseTables(dir.dir);
  const TbPosition p = KQvK(true);
  int ok;
  probe_dtz(&p, &ok);
  EXPECT_EQ(ok, 0);
  UseTables(kTables);
  const int dtz = probe_dtz(&p, &ok);
  EXPECT_NE(ok, 0);
  EXPECT_LT(dtz, 0);
}

// Each damaged file costs one line on the error stream and its material;
// everything else goes on answering.
TEST(TablebaseRegistry, DamagedFilesCostOneLineEach) {
  InTempDir dir;
  std::string garbage = Table("KRvK.rtbw");
  for (size_t i = 64; i < garbage.size(); i++) garbage[i] = char(i * 7919 >> 3);
  const std::string kpvk = Table("KPvK.rtbw");
  WriteFile(dir.dir + "/KQvK.rtbw", Table("KQvK.rtbw"));
  WriteFile(dir.dir + "/KQvK.rtbz", Table("KQvK.rtbz").substr(0, 3000));
  WriteFile(dir.dir + "/KRvK.rtbw", garbage);
  WriteFile(dir.dir + "/KBvK.rtbw", "");
  WriteFile(dir.dir + "/KNvK.rtbw", std::string(64, '\0'));
  WriteFile(dir.dir + "/KPvK.rtbw", kpvk.substr(0, kpvk.size() / 2));
  EXPECT_EQ(UseTables(dir.dir), "info string found 5 tablebases\n");
  testing::internal::CaptureStderr();
  std::mt19937_64 rng(3);
  for (const char* name : {"KRvK", "KvKR", "KBvK", "KvKB", "KNvK", "KvKN", "KPvK", "KvKP", "KQvK", "KvKQ"})
    for (int n = 0; n < 200; n++) {
      const TbPosition p = RandomPosition(Codes(name), rng);
      int ok;
      probe_wdl(&p, &ok);
      if (std::string(name).find('Q') != std::string::npos) {
        ASSERT_NE(ok, 0);
        probe_dtz(&p, &ok);
      } else if (std::string(name).find('P') == std::string::npos) {
        ASSERT_EQ(ok, 0) << name;  // a pawn may still promote into the good table
      }
    }
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(errors,
            "Corrupted table.\nCould not mmap() KBvK.\nCorrupted table.\nCorrupted table.\nCorrupted table.\n");
  int ok;
  EXPECT_EQ(Probe(KQvK(false), &ok), -2);
  EXPECT_NE(ok, 0);

  // Intact headers over scrambled data blocks: answers may be wrong, but
  // nothing is read outside the file and at most one line is said.
  std::string scrambled = Table("KRvK.rtbw");
  for (size_t i = 128; i < scrambled.size(); i++) scrambled[i] = char(i * 131 + 7);
  WriteFile(dir.dir + "/KRvK.rtbw", scrambled);
  UseTables(dir.dir);
  testing::internal::CaptureStderr();
  for (int n = 0; n < 2000; n++) {
    const TbPosition p = RandomPosition(Codes(n % 2 ? "KRvK" : "KvKR"), rng);
    probe_wdl(&p, &ok);
  }
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_LE(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

// Eight threads load and read the same tables at once and agree with the
// answers of one thread.
TEST(TablebaseThreads, EightThreadsProbeAlike) {
  UseTables(kTables);
  std::mt19937_64 rng(8);
  std::vector<TbPosition> positions;
  std::vector<int> expected;
  for (const std::string& name : Materials(4))
    for (int n = 0; n < 40; n++) positions.push_back(RandomPosition(Codes(name), rng));
  for (const TbPosition& p : positions) {
    int ok;
    expected.push_back(probe_wdl(&p, &ok));
  }
  UseTables(kTables);  // unloaded again: the threads race to load
  std::vector<int> mismatches(8, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; t++)
    threads.emplace_back([&, t] {
      for (size_t i = 0; i < positions.size(); i++) {
        const size_t k = (i * 7 + size_t(t) * 131) % positions.size();
        int ok;
        mismatches[t] += probe_wdl(&positions[k], &ok) != expected[k] || !ok;
      }
    });
  for (std::thread& t : threads) t.join();
  for (int t = 0; t < 8; t++) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}
