#include <gtest/gtest.h>

#include "search/records.h"

TEST(ThreadRecord, NewRecordIsZeroedAndPointsAtItself) {
  ThreadRecord* td = NewThreadRecord(7);
  ASSERT_NE(td, nullptr);
  EXPECT_EQ(td->pos.owner, td);
  EXPECT_EQ(td->index, 7);
  EXPECT_EQ(td->search_ply, 1);
  EXPECT_EQ(td->game_ply, 0);
  EXPECT_EQ(td->ply[1].list_start, 1);
  EXPECT_EQ(td->pos.board[64], 0);
  EXPECT_EQ(td->counters[CountNodes].load(), 0u);
  delete td;
}
