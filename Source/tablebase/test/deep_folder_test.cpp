// A tablebase folder is searched whatever the length of its file names.
#include <gtest/gtest.h>

#include "../../engine/test/tempdir.h"
#include "tb_fixture.h"

TEST(TablebaseRegistry, TablesInADeepFolderAreFound) {
  InTempDir tmp;
  std::string deep = tmp.dir;
  for (int i = 0; i < 5; i++) deep += "/" + std::string(220, char('a' + i));
  std::filesystem::create_directories(deep);
  std::filesystem::create_symlink(tbtest::kTables + "/KQvK.rtbw", deep + "/KQvK.rtbw");
  EXPECT_EQ(tbtest::UseTables(deep), "info string found 1 tablebases\n");
  tbtest::UseTables("");
}
