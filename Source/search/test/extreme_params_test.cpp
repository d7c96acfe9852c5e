#include "search_fixture.h"

// Every search field at both ends of 16 bits, as a set copied whole holds them:
// the tables keep to the fields' ranges, and searches full of checks (in-check
// nodes below the horizon meet the reductions) run clean under the sanitizers.
TEST_F(SearchTest, SearchFieldsAtTheEndsOfSixteenBits) {
  const PersonalityRecord saved = Personality;
  for (const int16_t end : {INT16_MIN, INT16_MAX}) {
    for (int i = PARAM_INDEX(SingularExtension); i <= PARAM_INDEX(LMR_strength); i++) Personality.f[i] = end;
    SetSearchParams();
    EXPECT_EQ(LMR_depth, end > 0 ? 100 : 1);
    EXPECT_EQ(FP_margin[9] + SEP_margin[9] + LMP_count[5], end > 0 ? 50 + 18 * 256 + 50 : 54);
    for (const char* fen : {"4k3/8/8/3Q4/8/8/3q4/4K3 w - -", "6k1/5ppp/8/8/8/8/q4PPP/1R4K1 w - -"}) {
      SetGame(fen);
      ExpectLegalResult(ThinkOnGame(8, 1, 200000));
    }
  }
  Personality = saved;
  SetSearchParams();
}
