// A thread record with the tables filled, for the board tests.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "board/bitboard.h"
#include "board/fen.h"
#include "search/keys.h"
#include "search/records.h"

constexpr int Sq(const char* name) { return (name[1] - '1') * 8 + (name[0] - 'a'); }
constexpr Move M(const char* from, const char* to, Move flags = 0) { return Move(MakeMoveCode(Sq(from), Sq(to)) | flags); }

class BoardTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitBitboards();
    InitHashKeys();
  }
  void SetUp() override {
    td = NewThreadRecord(0);
    ASSERT_NE(td, nullptr);
    pos = &td->pos;
  }
  void TearDown() override { delete td; }

  // Sets the position and insists that the text was taken whole.
  void Set(const char* fen) { ASSERT_EQ(SetPosition(pos, fen), kSetOk) << fen; }

  std::string Epd() const {
    char buf[256];
    MakeEPD(pos, buf);
    return buf;
  }

  ThreadRecord* td = nullptr;
  Position* pos = nullptr;
};
