#include "board/makemove.h"
#include "board_fixture.h"

namespace {

using KeysTest = BoardTest;

TEST_F(KeysTest, KnownKeys) {
  testing::internal::CaptureStdout();
  InitHashKeys();  // a second call changes nothing
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(rtable[0], 0x906946505e60d900ULL);
  EXPECT_EQ(rtable[1], 0xe708e34f294dde49ULL);
  EXPECT_EQ(rtable[1023], 0x952ae7d351aa5567ULL);
  EXPECT_EQ(rtable2[0], 0x90e119dc9e8c5435ULL);
  EXPECT_EQ(rtable2[15], 0xa392f6c3371f7f87ULL);
  EXPECT_EQ(rtable2[64], 0xa39a9cd69306a9c6ULL);

  Set(fen_opn);
  EXPECT_EQ(pos->key, 0xbc9da18ede6ddb56ULL);
  EXPECT_EQ(pos->pawn_key, 0xd7b5cec6617ede7dULL);
  EXPECT_EQ(FullKey(pos), 0xbc95cb9b7a740d17ULL);
  pos->side = Black;
  EXPECT_EQ(FullKey(pos), ~0xbc95cb9b7a740d17ULL);
}

TEST_F(KeysTest, FullKeyTakesCastlingAndEnPassant) {
  Set("4k3/8/8/8/4P3/8/8/4K3 b - e3");
  const uint64_t with_ep = FullKey(pos);
  Set("4k3/8/8/8/4P3/8/8/4K3 b - -");
  EXPECT_EQ(with_ep ^ FullKey(pos), rtable2[Sq("e3")] ^ rtable2[64]);
  // The same placement reached by a double push has the same position key.
  Set("4k3/8/8/8/8/8/4P3/4K3 w - -");
  MakeMove(pos, M("e2", "e4"));
  EXPECT_EQ(FullKey(pos), with_ep);
}

}  // namespace
