#include "Dat.h"

#include <expat.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "FileDescriptor.h"
#include "Text.h"

namespace {
constexpr std::size_t kChunk = 256 * 1024;
// The largest ROM lists are a few hundred MiB as XML; the text format is read whole, and a file
// beyond this is no ROM list.
constexpr std::size_t kMaxTextBytes = 1024u * 1024 * 1024;
// No tag or text of a ROM list comes near this: a longer one (a hostile attribute of a GiB) is
// refused before the parser buffers it.
constexpr std::size_t kMaxMarkup = 1024 * 1024;

[[noreturn]] void RaiseOpen(const std::string& path, int error) {
  throw EFOpenError(path, FileError("open", path, SysErrorMessage(error)));
}

// The Logiqx XML format: <datafile> holds <header><name> and <game> or <machine> elements, each
// with <rom name size crc merge status> children.
class TXmlReader {
 public:
  TXmlReader(const std::string& fileName, TDat& dat) : FFileName(fileName), FDat(dat) {
    FParser = XML_ParserCreate(nullptr);
    if (!FParser) throw std::bad_alloc();
    XML_SetUserData(FParser, this);
    XML_SetElementHandler(FParser, &TXmlReader::Start, &TXmlReader::End);
    XML_SetCharacterDataHandler(FParser, &TXmlReader::Text);
    // No entity is ever declared in a ROM list: a declaration is refused before any expansion
    // (no "billion laughs"), and external entities and the external DTD are never loaded.
    XML_SetEntityDeclHandler(FParser, &TXmlReader::EntityDecl);
    XML_SetParamEntityParsing(FParser, XML_PARAM_ENTITY_PARSING_NEVER);
  }
  ~TXmlReader() { XML_ParserFree(FParser); }
  TXmlReader(const TXmlReader&) = delete;
  TXmlReader& operator=(const TXmlReader&) = delete;

  void Feed(const char* data, std::size_t size, bool last) {
    // The stretch since the last "<" holds one tag or one text: bounded, whatever expat buffers.
    const void* lt = size ? memrchr(data, '<', size) : nullptr;
    FSinceTag = lt ? size - static_cast<std::size_t>(static_cast<const char*>(lt) - data) - 1
                   : FSinceTag + size;
    if (FSinceTag > kMaxMarkup)
      Fail(XML_GetCurrentLineNumber(FParser), "a tag or a text longer than 1 MiB");
    if (XML_Parse(FParser, data, static_cast<int>(size), last) != XML_STATUS_OK) {
      if (!FError.empty()) Fail(FErrorLine, FError);
      Fail(XML_GetCurrentLineNumber(FParser), XML_ErrorString(XML_GetErrorCode(FParser)));
    }
    if (last && !FSawRoot) Fail(XML_GetCurrentLineNumber(FParser), "no datafile element");
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

  void OnStart(std::string_view name, const XML_Char** attributes) {
    const std::size_t depth = FDepth++;
    if (depth == 0) {
      if (name != "datafile") return Stop("the root element is not datafile");
      FSawRoot = true;
      return;
    }
    if (depth == 1) {
      FKind = name == "game" || name == "machine" ? kGame : name == "header" ? kHeader : kOther;
      if (FKind != kGame) return;
      const char* gameName = Attribute(attributes, "name");
      if (!gameName || !*gameName) return Stop(std::string(name) + " without a name");
      TDatGame& game = FDat.Games.emplace_back();
      game.Name = gameName;
      const char* romOf = Attribute(attributes, "romof");
      const char* cloneOf = Attribute(attributes, "cloneof");
      if (romOf) game.RomOf = romOf;
      if (cloneOf) game.CloneOf = cloneOf;
      game.Parent = game.RomOf.empty() ? game.CloneOf : game.RomOf;
      return;
    }
    if (depth == 2 && FKind == kHeader && name == "name") {
      FDat.Name.clear();
      FInHeaderName = true;
      return;
    }
    if (depth != 2 || FKind != kGame || name != "rom") return;
    TDatRom rom;
    const char* romName = Attribute(attributes, "name");
    if (!romName || !*romName) return Stop("a rom without a name");
    rom.Name = romName;
    if (const char* merge = Attribute(attributes, "merge")) rom.Merge = merge;
    if (const char* status = Attribute(attributes, "status"))
      rom.NoDump = std::string_view(status) == "nodump";
    if (const char* size = Attribute(attributes, "size")) {
      if (!dat_detail::ParseSize(size, rom.Size))
        return Stop("rom \"" + rom.Name + "\": the size is not a number");
      rom.HasSize = true;
    }
    if (const char* crc = Attribute(attributes, "crc"); crc && *crc) {
      if (!dat_detail::ParseCrc(crc, rom.Crc))
        return Stop("rom \"" + rom.Name + "\": the crc is not a CRC-32");
      rom.HasCrc = true;
    }
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
  std::size_t FDepth = 0, FSinceTag = 0, FErrorLine = 0;
  TKind FKind = kOther;
  bool FSawRoot = false, FInHeaderName = false;
  std::string FError;
};

bool LooksLikeXml(std::string_view start) {
  if (start.starts_with("\xEF\xBB\xBF")) start.remove_prefix(3);
  const std::size_t first = start.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && start[first] == '<';
}
}  // namespace

EDatError::EDatError(const std::string& fileName, std::size_t line, const std::string& what)
    : EFileError(fileName,
                 FileErrorMessage("read", fileName, "line " + std::to_string(line) + ": " + what)),
      Line(line) {}

namespace dat_detail {
bool ParseSize(std::string_view text, uint64_t& size) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
  return error == std::errc() && end == text.data() + text.size();
}

bool ParseCrc(std::string_view text, uint32_t& crc) {
  if (text.empty() || text.size() > 8) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), crc, 16);
  return error == std::errc() && end == text.data() + text.size();
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
    if (LooksLikeXml(text.substr(0, 4096))) {
      TXmlReader reader(fileName, dat);
      do {
        const std::size_t n = std::min(text.size(), kChunk);
        reader.Feed(text.data(), n, n == text.size());
        text.remove_prefix(n);
      } while (!text.empty());
    } else {
      dat_detail::ParseClrMamePro(text, fileName, dat);
    }
    dat.Index();
  } catch (const std::bad_alloc&) {
    RaiseOutOfMemory(fileName);
  }
  return dat;
}

TDat ReadDat(const std::string& path) {
  const TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.IsOpen()) RaiseOpen(path, errno);
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0) RaiseOpen(path, errno);
  if (!S_ISREG(info.st_mode)) RaiseOpen(path, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
  try {
    std::unique_ptr<char[]> chunk(new char[kChunk]);
    const ssize_t first = ReadFull(fd.Get(), chunk.get(), kChunk);
    if (first < 0) throw EInOutError(path, FileError("read", path, SysErrorMessage(errno)), errno);
    const auto firstSize = static_cast<std::size_t>(first);
    if (!LooksLikeXml(std::string_view(chunk.get(), firstSize))) {
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
      TXmlReader reader(path, dat);
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
