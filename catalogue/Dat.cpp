#include "catalogue/Dat.h"

#include <expat.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "fileio/FileDescriptor.h"
#include "fileio/Text.h"

namespace {
constexpr std::size_t kChunk = 256 * 1024;
// The largest ROM lists are a few hundred MiB as XML; the text format is read whole, and a file
// beyond this is no ROM list.
constexpr std::size_t kMaxTextBytes = 1024u * 1024 * 1024;
// No tag or text of a ROM list comes near this: a longer one (a hostile attribute of a GiB) is
// refused before the parser buffers it.
constexpr std::size_t kMaxMarkup = 1024 * 1024;
// A DAT's elements nest four deep, a list-XML's a few more; expat keeps every open one.
constexpr std::size_t kMaxXmlDepth = 16;
// A DAT with a bad value in every rom says so a few times, not a million.
constexpr std::size_t kMaxNotes = 100;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool StartsWithUtf16Mark(std::string_view text) {
  return text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF");
}

// UTF-16 after its byte-order mark to UTF-8; a lone surrogate or an odd last byte becomes U+FFFD.
std::string Utf16ToUtf8(std::string_view text) {
  const bool little = text[0] == '\xFF';
  const auto unit = [&](std::size_t i) -> uint32_t {
    const auto a = static_cast<unsigned char>(text[i]), b = static_cast<unsigned char>(text[i + 1]);
    return little ? a | b << 8 : b | a << 8;
  };
  std::string out;
  out.reserve(text.size() / 2 + 16);
  const auto put = [&](uint32_t c) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  };
  std::size_t i = 2;
  for (; i + 1 < text.size(); i += 2) {
    uint32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < text.size() && unit(i + 2) >= 0xDC00 &&
        unit(i + 2) < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    put(c);
  }
  if (i < text.size()) put(0xFFFD);
  return out;
}

// Markup in which "<" may stand (comments, processing instructions, CDATA, a declaration's
// quoted values) is bounded like a tag or a text: expat keeps an unfinished one and scans it again
// with each piece of input, so without a bound its time grows with its square.
class TMarkupBound {
 public:
  // The length of the construct still open at the end of `data`.
  std::size_t Feed(const char* data, std::size_t size) {
    const char* p = data;
    const char* const end = data + size;
    const char* boundary = nullptr;  // where the construct still open began
    TState state = FState;
    while (p < end) {
      switch (state) {
        case kText:
          if (const char* lt = FindByte(p, end, '<')) {
            boundary = lt;
            p = lt + 1;
            state = kOpen;
          } else {
            p = end;
          }
          break;
        case kOpen:
          state = *p == '!' ? kBang : *p == '?' ? kPi : kTag;
          if (state != kTag) ++p;
          break;
        case kBang:
          state = *p == '-' ? kBangDash : *p == '[' ? kCdata : kDecl;
          if (state != kDecl) ++p;
          break;
        case kBangDash:
          state = *p == '-' ? kComment : kDecl;
          if (state == kComment) ++p;
          FRun = 0;
          break;
        case kComment:  // ends at "-->"
        case kPi:       // ends at "?>"
        case kCdata: {  // ends at "]]>"
          const char mark = state == kComment ? '-' : state == kPi ? '?' : ']';
          const std::size_t needed = state == kPi ? 1 : 2;
          for (; p < end && !(*p == '>' && FRun >= needed); ++p) FRun = *p == mark ? FRun + 1 : 0;
          if (p < end) {
            boundary = ++p;
            state = kText;
          }
          break;
        }
        case kTag:
        case kDecl: {
          // "[" opens a DOCTYPE's internal subset: its declarations are constructs of their own.
          const unsigned char stop = state == kTag ? 1 : 3;
          while (p < end && !(kStops[static_cast<unsigned char>(*p)] & stop)) ++p;
          if (p == end) break;
          const char c = *p++;
          if (c == '"' || c == '\'') {
            FQuote = c;
            FInner = state;
            state = kQuoted;
          } else {
            boundary = p;
            state = kText;
          }
          break;
        }
        case kQuoted:
          if (const char* q = FindByte(p, end, FQuote)) {
            p = q + 1;
            state = FInner;
          } else {
            p = end;
          }
          break;
      }
    }
    FState = state;
    FOpen = boundary ? static_cast<std::size_t>(end - boundary) : FOpen + size;
    return FOpen;
  }

 private:
  enum TState { kText, kOpen, kBang, kBangDash, kComment, kPi, kCdata, kTag, kDecl, kQuoted };
  // Bytes that end a stretch of a tag (1) or of a declaration (1 and 2).
  static constexpr auto kStops = [] {
    std::array<unsigned char, 256> stops{};
    stops['"'] = stops['\''] = stops['>'] = 1;
    stops['['] = 2;
    return stops;
  }();
  TState FState = kText, FInner = kTag;
  char FQuote = 0;
  std::size_t FRun = 0, FOpen = 0;
};

// Windows-1252 for expat, which knows only UTF-8, UTF-16, ISO-8859-1 and ASCII itself.
int UnknownEncoding(void*, const XML_Char* name, XML_Encoding* info) {
  std::string folded = AsciiLower(name);
  if (folded != "windows-1252" && folded != "cp1252") return XML_STATUS_ERROR;
  for (int b = 0; b < 256; ++b) {
    const std::string utf8 = Windows1252ToUtf8(std::string(1, static_cast<char>(b)));
    const auto* u = reinterpret_cast<const unsigned char*>(utf8.data());
    info->map[b] = utf8.size() == 1   ? u[0]
                   : utf8.size() == 2 ? (u[0] & 0x1F) << 6 | (u[1] & 0x3F)
                                      : (u[0] & 0x0F) << 12 | (u[1] & 0x3F) << 6 | (u[2] & 0x3F);
  }
  info->data = nullptr;
  info->convert = nullptr;
  info->release = nullptr;
  return XML_STATUS_OK;
}

// The encoding to impose on an XML DAT whose start is `start`: none (expat follows the file's
// declaration or takes UTF-8) unless the file declares none and is not UTF-8, when it is read as
// Windows-1252 as a ClrMamePro DAT is.
const char* XmlEncoding(std::string_view start, bool whole) {
  if (start.starts_with("\xEF\xBB\xBF")) return nullptr;  // it says it is UTF-8
  if (start.starts_with("<?xml")) {
    const std::string_view declaration = start.substr(0, start.find("?>"));
    if (declaration.find("encoding") != std::string_view::npos) return nullptr;
  }
  // A piece of the file may end inside a character.
  for (std::size_t cut = 0; cut <= (whole ? 0u : std::min<std::size_t>(3, start.size())); ++cut)
    if (IsValidUtf8(start.substr(0, start.size() - cut))) return nullptr;
  return "windows-1252";
}

[[noreturn]] void RaiseOpen(const std::string& path, int error) {
  throw EFOpenError(path, FileError("open", path, SysErrorMessage(error)));
}

// The Logiqx XML format: <datafile> holds <header><name> and <game> or <machine> elements, each
// with <rom name size crc merge status> children.
class TXmlReader {
 public:
  TXmlReader(const std::string& fileName, TDat& dat, const char* encoding)
      : FFileName(fileName), FDat(dat) {
    FParser = XML_ParserCreate(encoding);
    if (!FParser) throw std::bad_alloc();
    XML_SetUserData(FParser, this);
    XML_SetElementHandler(FParser, &TXmlReader::Start, &TXmlReader::End);
    XML_SetCharacterDataHandler(FParser, &TXmlReader::Text);
    // No entity is ever declared in a ROM list: a declaration is refused before any expansion
    // (no "billion laughs"), and external entities and the external DTD are never loaded.
    XML_SetEntityDeclHandler(FParser, &TXmlReader::EntityDecl);
    XML_SetParamEntityParsing(FParser, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetUnknownEncodingHandler(FParser, &UnknownEncoding, nullptr);
  }
  ~TXmlReader() { XML_ParserFree(FParser); }
  TXmlReader(const TXmlReader&) = delete;
  TXmlReader& operator=(const TXmlReader&) = delete;

  void Feed(const char* data, std::size_t size, bool last) {
    // One tag, text, comment or declaration at a time is bounded, whatever expat buffers.
    if (FBound.Feed(data, size) > kMaxMarkup)
      Fail(XML_GetCurrentLineNumber(FParser), "a tag or a text longer than 1 MiB");
    if (XML_Parse(FParser, data, static_cast<int>(size), last) != XML_STATUS_OK) {
      if (!FError.empty()) Fail(FErrorLine, FError);
      Fail(XML_GetCurrentLineNumber(FParser), XML_ErrorString(XML_GetErrorCode(FParser)));
    }
    if (last && !FSawRoot) Fail(XML_GetCurrentLineNumber(FParser), "no datafile or mame element");
  }

 private:
  [[noreturn]] void Fail(std::size_t line, const std::string& what) {
    throw EDatError(FFileName, line, what);
  }
  // Stops the parser with an error of our own, raised once XML_Parse returns.
  void Stop(const std::string& what) {
    if (!FError.empty()) return;
    FError = what;
    FErrorLine = XML_GetCurrentLineNumber(FParser);
    XML_StopParser(FParser, XML_FALSE);
  }

  static void Start(void* self, const XML_Char* name, const XML_Char** attributes) {
    static_cast<TXmlReader*>(self)->OnStart(name, attributes);
  }
  static void End(void* self, const XML_Char*) { static_cast<TXmlReader*>(self)->OnEnd(); }
  static void Text(void* self, const XML_Char* text, int length) {
    auto* r = static_cast<TXmlReader*>(self);
    if (r->FInHeaderName && r->FDat.Name.size() < 1024)
      r->FDat.Name.append(text, static_cast<std::size_t>(length));
  }
  static void EntityDecl(void* self, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                         const XML_Char*, const XML_Char*, const XML_Char*) {
    static_cast<TXmlReader*>(self)->Stop("entity declarations are not allowed");
  }

  static const char* Attribute(const XML_Char** attributes, std::string_view name) {
    for (const XML_Char** a = attributes; *a; a += 2)
      if (name == *a) return a[1];
    return nullptr;
  }

  static std::optional<std::string_view> OptionalAttribute(const XML_Char** attributes,
                                                           std::string_view name) {
    if (const char* value = Attribute(attributes, name)) return value;
    return std::nullopt;
  }

  void OnStart(std::string_view name, const XML_Char** attributes) {
    const std::size_t depth = FDepth++;
    if (depth == kMaxXmlDepth)
      return Stop("elements nested more than " + std::to_string(kMaxXmlDepth) + " deep");
    const std::size_t line = XML_GetCurrentLineNumber(FParser);
    if (depth == 0) {
      // A list-XML file of the emulator (root "mame", "machine" elements) reads as a DAT.
      if (name != "datafile" && name != "mame")
        return Stop("the root element is neither datafile nor mame");
      FSawRoot = true;
      return;
    }
    if (depth == 1) {
      FKind = name == "game" || name == "machine" ? kGame : name == "header" ? kHeader : kOther;
      if (FKind != kGame) return;
      const char* gameName = Attribute(attributes, "name");
      if (!gameName || !*gameName) return Stop(std::string(name) + " without a name");
      TDatGame game;
      game.Name = gameName;
      if (!dat_detail::UsableGame(FDat, game, OptionalAttribute(attributes, "romof"),
                                  OptionalAttribute(attributes, "cloneof"), line)) {
        FKind = kOther;
        return;
      }
      FDat.Games.push_back(std::move(game));
      return;
    }
    if (depth == 2 && FKind == kHeader && name == "name") {
      FDat.Name.clear();
      FInHeaderName = true;
      return;
    }
    if (depth != 2 || FKind != kGame) return;
    if (name == "disk") {
      ++FDat.Disks;
      return;
    }
    if (name != "rom") return;
    TDatRom rom;
    const char* romName = Attribute(attributes, "name");
    if (!romName || !*romName) return Stop("a rom without a name");
    rom.Name = romName;
    if (const char* merge = Attribute(attributes, "merge")) rom.Merge = merge;
    if (const char* status = Attribute(attributes, "status")) {
      rom.NoDump = std::string_view(status) == "nodump";
      rom.BadDump = std::string_view(status) == "baddump";
    }
    const char* size = Attribute(attributes, "size");
    const char* crc = Attribute(attributes, "crc");
    dat_detail::SetValues(FDat, rom, size ? size : "", size != nullptr, crc ? crc : "", "crc",
                          line);
    FDat.Games.back().Roms.push_back(std::move(rom));
  }

  void OnEnd() {
    --FDepth;
    FInHeaderName = false;
  }

  enum TKind { kOther, kGame, kHeader };
  const std::string& FFileName;
  TDat& FDat;
  XML_Parser FParser;
  std::size_t FDepth = 0, FErrorLine = 0;
  TMarkupBound FBound;
  TKind FKind = kOther;
  bool FSawRoot = false, FInHeaderName = false;
  std::string FError;
};

bool LooksLikeXml(std::string_view start) {
  if (start.starts_with("\xEF\xBB\xBF")) start.remove_prefix(3);
  const std::size_t first = start.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && start[first] == '<';
}

void ParseXml(std::string_view text, const std::string& fileName, TDat& dat, const char* encoding) {
  TXmlReader reader(fileName, dat, encoding);
  do {
    const std::size_t n = std::min(text.size(), kChunk);
    reader.Feed(text.data(), n, n == text.size());
    text.remove_prefix(n);
  } while (!text.empty());
}

[[noreturn]] void RaiseNotAFile(const std::string& path, mode_t mode) {
  if (S_ISDIR(mode)) RaiseOpen(path, EISDIR);
  const char* what = S_ISFIFO(mode)   ? "it is a FIFO, not a file"
                     : S_ISSOCK(mode) ? "it is a socket, not a file"
                                      : "it is a device, not a file";
  throw EFOpenError(path, FileError("open", path, std::string(what)));
}
}  // namespace

EDatError::EDatError(const std::string& fileName, std::size_t line, const std::string& what)
    : EFileError(fileName,
                 FileErrorMessage("read", fileName, "line " + std::to_string(line) + ": " + what)),
      Line(line) {}

namespace dat_detail {
bool ParseSize(std::string_view text, uint64_t& size) {
  text = Trimmed(text);
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size, base);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

bool ParseCrc(std::string_view text, uint32_t& crc) {
  text = Trimmed(text);
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    text.remove_prefix(2);
  if (text.empty() || text.size() > 8) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), crc, 16);
  return error == std::errc() && end == text.data() + text.size();
}

void AddNote(TDat& dat, std::size_t line, const std::string& what) {
  if (dat.Notes.size() < kMaxNotes)
    dat.Notes.push_back("line " + std::to_string(line) + ": " + what);
  else if (dat.Notes.size() == kMaxNotes)
    dat.Notes.push_back("more values that cannot be used follow; only the first " +
                        std::to_string(kMaxNotes) + " are named");
}

bool IsFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

bool UsableGame(TDat& dat, TDatGame& game, std::optional<std::string_view> romOf,
                std::optional<std::string_view> cloneOf, std::size_t line) {
  if (!IsFileName(game.Name)) {
    AddNote(dat, line,
            "the game name \"" + game.Name + "\" is not an archive's name; the game is left out");
    return false;
  }
  // A parent's name is opened as "<ROM folder>/<name>.zip": one that reaches elsewhere is kept
  // out of Parent, so that nothing outside the ROM folder is ever read for this DAT.
  const auto take = [&](std::optional<std::string_view> value, const char* key, std::string& to) {
    if (!value) return;
    if (IsFileName(*value)) {
      to = *value;
      return;
    }
    AddNote(dat, line,
            "game \"" + game.Name + "\": the " + key + " value \"" + std::string(*value) +
                "\" is not an archive's name; no parent is read for the game");
  };
  take(romOf, "romof", game.RomOf);
  take(cloneOf, "cloneof", game.CloneOf);
  game.Parent = game.RomOf.empty() ? game.CloneOf : game.RomOf;
  return true;
}

void SetValues(TDat& dat, TDatRom& rom, std::string_view size, bool sizeGiven, std::string_view crc,
               std::string_view crcKey, std::size_t line) {
  if (sizeGiven) {
    rom.HasSize = ParseSize(size, rom.Size);
    if (!rom.HasSize)
      AddNote(dat, line,
              "rom \"" + rom.Name + "\": the size \"" + std::string(size) +
                  "\" is not a number below 2^64; the file is checked without its size");
  }
  if (!Trimmed(crc).empty()) {
    rom.HasCrc = ParseCrc(crc, rom.Crc);
    if (!rom.HasCrc)
      AddNote(dat, line,
              "rom \"" + rom.Name + "\": the " + std::string(crcKey) + " value \"" +
                  std::string(crc) + "\" is not a CRC-32 (8 hexadecimal digits); the file is " +
                  (rom.HasSize ? "checked by its size only" : "checked by its name only"));
  }
}
}  // namespace dat_detail

const TDatGame* TDat::Find(std::string_view name) const {
  const uint32_t i =
      FIndex.Find(name, [this](uint32_t k) -> std::string_view { return Games[k].Name; });
  return i == TFoldedIndex::kNone ? nullptr : &Games[i];
}

void TDat::Index() {
  FIndex.Clear();
  FIndex.Reserve(Games.size());
  const auto key = [this](uint32_t k) -> std::string_view { return Games[k].Name; };
  for (std::size_t i = 0; i < Games.size(); ++i) FIndex.Add(key);
}

bool DatIsThere(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

std::string DatPathBeside(const std::string& listPath) {
  const std::size_t slash = listPath.rfind('/');
  return (slash == std::string::npos ? std::string() : listPath.substr(0, slash + 1)) + "ludra.dat";
}

std::string CrcText(uint32_t crc) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", crc);
  return text;
}

std::string_view DatGameName(std::string_view romName) {
  if (romName.size() >= 4 && AsciiEqualNoCase(romName.substr(romName.size() - 4), ".zip"))
    romName.remove_suffix(4);
  return romName;
}

TDat ParseDat(std::string_view text, const std::string& fileName) {
  TDat dat;
  try {
    if (StartsWithUtf16Mark(text)) {
      // Converted whole; its declaration's "UTF-16" no longer holds, so UTF-8 is imposed.
      const std::string utf8 = Utf16ToUtf8(text);
      if (LooksLikeXml(std::string_view(utf8).substr(0, 4096))) {
        ParseXml(utf8, fileName, dat, "UTF-8");
        dat.Index();
        return dat;
      }
      return ParseDat(utf8, fileName);
    }
    if (text.starts_with("\xEF\xBB\xBF") && !LooksLikeXml(text.substr(0, 4096)))
      text.remove_prefix(3);  // the mark is not the first block's key
    if (Trimmed(text).empty()) throw EDatError(fileName, 1, "the file is empty");
    if (LooksLikeXml(text.substr(0, 4096))) {
      ParseXml(text, fileName, dat, XmlEncoding(text.substr(0, kChunk), text.size() <= kChunk));
    } else if (IsValidUtf8(text)) {
      dat_detail::ParseClrMamePro(text, fileName, dat);
    } else {
      // Latin-1 names are common in this format; Windows-1252 reads them and more.
      const std::string utf8 = Windows1252ToUtf8(text);
      dat_detail::ParseClrMamePro(utf8, fileName, dat);
      dat.Notes.insert(dat.Notes.begin(), "the file is not UTF-8; it was read as Windows-1252");
    }
    dat.Index();
  } catch (const std::bad_alloc&) {
    RaiseOutOfMemory(fileName);
  }
  return dat;
}

TDat ReadDat(const std::string& path) {
  // What is not a file is refused before it is opened: opening a FIFO could wait for a writer,
  // a device could act on it.
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) RaiseOpen(path, errno);
  if (!S_ISREG(info.st_mode)) RaiseNotAFile(path, info.st_mode);
  const TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.IsOpen()) RaiseOpen(path, errno);
  if (::fstat(fd.Get(), &info) != 0) RaiseOpen(path, errno);
  if (!S_ISREG(info.st_mode)) RaiseNotAFile(path, info.st_mode);
  try {
    std::unique_ptr<char[]> chunk(new char[kChunk]);
    const ssize_t first = ReadFull(fd.Get(), chunk.get(), kChunk);
    if (first < 0) throw EInOutError(path, FileError("read", path, SysErrorMessage(errno)), errno);
    const auto firstSize = static_cast<std::size_t>(first);
    const std::string_view start(chunk.get(), firstSize);
    if (!LooksLikeXml(start) || StartsWithUtf16Mark(start)) {
      // The text format is read whole: it is small, and its tokens are views of the text.
      if (static_cast<uint64_t>(info.st_size) > kMaxTextBytes)
        throw EDatError(path, 1, "the file is too large for a ROM list");
      std::string text(chunk.get(), firstSize);
      if (firstSize == kChunk) {
        text.resize(static_cast<std::size_t>(info.st_size) + 1);
        const ssize_t rest = ReadFull(fd.Get(), text.data() + firstSize, text.size() - firstSize);
        if (rest < 0)
          throw EInOutError(path, FileError("read", path, SysErrorMessage(errno)), errno);
        text.resize(firstSize + static_cast<std::size_t>(rest));
      }
      return ParseDat(text, path);
    }
    // XML is parsed as it is read: memory stays within the chunk and what the games hold.
    TDat dat;
    {
      TXmlReader reader(path, dat, XmlEncoding(start, firstSize < kChunk));
      std::size_t size = firstSize;
      for (;;) {
        const bool last = size < kChunk;
        reader.Feed(chunk.get(), size, last);
        if (last) break;
        const ssize_t n = ReadFull(fd.Get(), chunk.get(), kChunk);
        if (n < 0) throw EInOutError(path, FileError("read", path, SysErrorMessage(errno)), errno);
        size = static_cast<std::size_t>(n);
      }
    }
    dat.Index();
    return dat;
  } catch (const std::bad_alloc&) {
    RaiseOutOfMemory(path);
  }
}
