// The same games in the layouts that exports write give the same book and the
// same scans.
#include <gtest/gtest.h>

#include "run_tool.h"

namespace {

enum Layout { Wrapped, OneLine, Marked, Damaged };

// The first 150 shared games; wrapped at 80 columns, or their move text on one
// line with marks and glyphs after the moves, or control bytes in the moves,
// tabs among the blanks and Windows line ends.
std::string Games(Layout layout) {
  const char* marks[] = {"!", "?", "!!", "??", "!?", "?!", "$1", " $14", "!$3", ""};
  const std::string eol = layout == Damaged ? "\r\n" : "\n";
  std::string out, line;
  int games = 0, n = 0;
  bool comment = false;
  for (const std::string& l : Lines(ReadFile(KERV_TESTDATA_DIR "/book/games.pgn"))) {
    if ((games += l.rfind("[Event ", 0) == 0) > 150) break;
    std::istringstream words(l[0] == '[' ? "" : l);
    for (std::string w; words >> w;) {
      const bool move = !comment && std::isalpha(static_cast<unsigned char>(w[0]));
      comment = (comment || w[0] == '{') && w.back() != '}';
      if (move && layout == Marked) w += marks[n++ % std::size(marks)];
      if (move && layout == Damaged) w.insert(1, n++ % 2 ? std::string(1, '\0') : "\x01\x1b");
      if (layout == Wrapped && !line.empty() && line.size() + w.size() >= 80) out += line + eol, line.clear();
      line += (line.empty() ? "" : n % 3 || layout != Damaged ? " " : "\t") + w;
    }
    if (l[0] == '[') out += (line.empty() ? "" : line + eol + eol) + l + eol, line.clear();
    if (l.empty() && line.empty()) out += eol;
  }
  return out + line + eol;
}

// What the scans in modes 1 to 4 and the book writer print, and what they write.
std::pair<std::string, std::string> Outputs(const std::string& pgn) {
  InTempDir tmp;
  WriteFile(tmp.dir + "/g.pgn", pgn);
  std::string shown, written;
  for (const std::string mode : {"1", "2", "3", "4"}) {
    shown += RunTool(tmp.dir, "-scan_pgn" + mode + " g.pgn").back() + "\n";
    written += ReadFile(tmp.dir + (mode == "1" ? "/tmp.pgn" : "/tmp.epd")) + ReadFile(tmp.dir + "/tmpX.epd");
  }
  shown += RunTool(tmp.dir, "-mkbook g.pgn").at(3);
  return {shown, written + ReadFile(tmp.dir + "/tmp_book.bin")};
}

}  // namespace

TEST(PgnLayouts, EveryLayoutGivesTheSameBookAndScans) {
  const auto wrapped = Outputs(Games(Wrapped));
  EXPECT_EQ(wrapped.first, "games= 150, positions= 504\ngames= 150, positions= 15348\ngames= 150, positions= 12628\n"
                           "games= 150, positions= 25\nngames= 150, nmoves= 3731");
  for (const Layout layout : {OneLine, Marked, Damaged}) EXPECT_TRUE(Outputs(Games(layout)) == wrapped) << layout;
}
