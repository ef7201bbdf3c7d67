// The ClrMamePro text format:
//   clrmamepro ( name "Some list" )
//   game ( name sfex romof sfex rom ( name sfe-05m size 4194304 crc 1a2b3c4d merge sfe-05m ) )
// Values are bare words or quoted strings; unknown keys and blocks are skipped. A rom's
// "baddump" and "nodump" may stand alone; "crc32" is another name of "crc".
#include <optional>
#include <string>

#include "catalogue/Dat.h"

namespace {
constexpr std::size_t kMaxDepth = 64;  // blocks nest two deep in real lists

class TTokenizer {
 public:
  enum TKind { kEnd, kOpen, kClose, kWord };
  struct TToken {
    TKind Kind = kEnd;
    std::string_view Text;
    std::size_t Line = 1;
  };

  TTokenizer(std::string_view text, const std::string& fileName)
      : FText(text), FFileName(fileName) {}

  TToken Next() {
    while (FPos < FText.size()) {
      const char c = FText[FPos];
      if (c == '\n') {
        ++FLine;
      } else if (c != ' ' && c != '\t' && c != '\r' && c != '\f' && c != '\v') {
        break;
      }
      ++FPos;
    }
    TToken token;
    token.Line = FLine;
    if (FPos >= FText.size()) return token;
    const char c = FText[FPos];
    if (c == '(' || c == ')') {
      ++FPos;
      token.Kind = c == '(' ? kOpen : kClose;
      return token;
    }
    token.Kind = kWord;
    if (c == '"') {
      const std::size_t close = FText.find('"', FPos + 1);
      const std::size_t newline = FText.find('\n', FPos + 1);
      if (close == std::string_view::npos || newline < close)
        Fail(FLine, "a string without its end");
      token.Text = FText.substr(FPos + 1, close - FPos - 1);
      FPos = close + 1;
      return token;
    }
    const std::size_t start = FPos;
    while (FPos < FText.size()) {
      const char d = FText[FPos];
      if (d == ' ' || d == '\t' || d == '\r' || d == '\n' || d == '\f' || d == '\v' || d == '(' ||
          d == ')')
        break;
      ++FPos;
    }
    token.Text = FText.substr(start, FPos - start);
    return token;
  }

  [[noreturn]] void Fail(std::size_t line, const std::string& what) const {
    throw EDatError(FFileName, line, what);
  }

 private:
  std::string_view FText;
  const std::string& FFileName;
  std::size_t FPos = 0, FLine = 1;
};

using TToken = TTokenizer::TToken;

class TParser {
 public:
  TParser(std::string_view text, const std::string& fileName, TDat& dat)
      : FTokens(text, fileName), FDat(dat) {}

  void Run() {
    for (;;) {
      const TToken key = FTokens.Next();
      if (key.Kind == TTokenizer::kEnd) return;
      if (key.Kind != TTokenizer::kWord) FTokens.Fail(key.Line, "a \"(\" or \")\" without a name");
      const TToken open = FTokens.Next();
      if (open.Kind != TTokenizer::kOpen)
        FTokens.Fail(open.Line, "\"" + std::string(key.Text) + "\" without its \"(\"");
      if (key.Text == "game" || key.Text == "machine" || key.Text == "resource")
        Game(key.Line);
      else if (key.Text == "clrmamepro")
        Header(key.Line);
      else
        Skip(key.Line, 1);
    }
  }

 private:
  // Reads "key value" pairs up to the block's ")", handing each to `pair`; a nested block goes
  // to `block` (or is skipped when it returns false). A key right before ")" has no value.
  // A rom's "baddump" and "nodump" may stand alone, as flags without a value.
  template <class Pair, class Block>
  void Pairs(std::size_t openLine, Pair&& pair, Block&& block, bool romFlags = false) {
    for (;;) {
      const TToken key = FTokens.Next();
      if (key.Kind == TTokenizer::kClose) return;
      if (key.Kind == TTokenizer::kEnd) Unclosed(openLine);
      if (key.Kind == TTokenizer::kOpen) FTokens.Fail(key.Line, "a \"(\" without a name");
      if (romFlags && (key.Text == "baddump" || key.Text == "nodump")) {
        pair("flags", key);
        continue;
      }
      const TToken value = FTokens.Next();
      if (value.Kind == TTokenizer::kClose) return;
      if (value.Kind == TTokenizer::kEnd) Unclosed(openLine);
      if (value.Kind == TTokenizer::kOpen) {
        if (!block(key, value.Line)) Skip(value.Line, 2);
        continue;
      }
      pair(key.Text, value);
    }
  }

  void Header(std::size_t line) {
    Pairs(
        line,
        [&](std::string_view key, const TToken& value) {
          if (key == "name") FDat.Name = value.Text;
        },
        [](const TToken&, std::size_t) { return false; });
  }

  void Game(std::size_t line) {
    TDatGame& game = FDat.Games.emplace_back();
    std::optional<std::string_view> romOf, cloneOf;
    std::size_t disks = 0;
    Pairs(
        line,
        [&](std::string_view key, const TToken& value) {
          if (key == "name")
            game.Name = value.Text;
          else if (key == "romof")
            romOf = value.Text;
          else if (key == "cloneof")
            cloneOf = value.Text;
        },
        [&](const TToken& key, std::size_t openLine) {
          if (key.Text == "disk") ++disks;  // counted, its block skipped
          if (key.Text != "rom") return false;
          Rom(game, openLine);
          return true;
        });
    if (game.Name.empty()) FTokens.Fail(line, "a game without a name");
    if (!dat_detail::UsableGame(FDat, game, romOf, cloneOf, line))
      FDat.Games.pop_back();
    else
      FDat.Disks += disks;
  }

  void Rom(TDatGame& game, std::size_t line) {
    TDatRom rom;
    std::string_view size, crc, crcKey = "crc";
    bool sizeGiven = false;
    std::size_t valueLine = line;
    Pairs(
        line,
        [&](std::string_view key, const TToken& value) {
          if (key == "name") {
            rom.Name = value.Text;
          } else if (key == "merge") {
            rom.Merge = value.Text;
          } else if (key == "size") {
            size = value.Text;
            sizeGiven = true;
            valueLine = value.Line;
          } else if (key == "crc" || key == "crc32") {
            crc = value.Text;
            crcKey = key;
            valueLine = value.Line;
          } else if (key == "flags" || key == "status") {
            rom.NoDump = rom.NoDump || value.Text == "nodump";
            rom.BadDump = rom.BadDump || value.Text == "baddump";
          }
        },
        [](const TToken&, std::size_t) { return false; }, true);
    if (rom.Name.empty()) FTokens.Fail(line, "a rom without a name");
    dat_detail::SetValues(FDat, rom, size, sizeGiven, crc, crcKey, valueLine);
    game.Roms.push_back(std::move(rom));
  }

  // Skips to the ")" that closes a block at `depth`, nested blocks included.
  void Skip(std::size_t openLine, std::size_t depth) {
    for (std::size_t open = 1; open > 0;) {
      const TToken token = FTokens.Next();
      if (token.Kind == TTokenizer::kEnd) Unclosed(openLine);
      if (token.Kind == TTokenizer::kOpen && ++open + depth > kMaxDepth)
        FTokens.Fail(token.Line, "blocks nested too deep");
      if (token.Kind == TTokenizer::kClose) --open;
    }
  }

  [[noreturn]] void Unclosed(std::size_t openLine) {
    FTokens.Fail(openLine, "the block opened here has no \")\"");
  }

  TTokenizer FTokens;
  TDat& FDat;
};
}  // namespace

void dat_detail::ParseClrMamePro(std::string_view text, const std::string& fileName, TDat& dat) {
  TParser(text, fileName, dat).Run();
}
