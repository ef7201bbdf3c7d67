// ludra-audit: the catalogue's audit without a window, for large sets and for scripts.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "app/EmulatorFolder.h"
#include "app/Places.h"
#include "catalogue/AuditCache.h"
#include "catalogue/AuditEngine.h"
#include "catalogue/AuditText.h"
#include "catalogue/Dat.h"
#include "catalogue/FixDat.h"
#include "catalogue/Games.h"
#include "catalogue/ListFile.h"
#include "fileio/AtomicFile.h"
#include "fileio/Errors.h"

namespace {
void Usage(FILE* to) {
  std::fprintf(to,
               "usage: ludra-audit [--list FILE | --emulator-dir DIR] [--dat FILE] [--missing]\n"
               "                   [--json] [--fixdat OUT] [--reads N] [--no-cache]\n"
               "       ludra-audit --version | --help\n"
               "  --list FILE         the list file to audit (default: ludra.ini beside the\n"
               "                      program, or in the emulator's folder when installed)\n"
               "  --emulator-dir DIR  the emulator's folder, for an installed ludra-audit\n"
               "                      (default: the working directory when it holds tavi.exe,\n"
               "                      else the folder ludra used last)\n"
               "  --dat FILE          the ROM list (DAT) to check each game's files against\n"
               "                      (default: ludra.dat beside the list file, when there)\n"
               "  --missing           say why each game that is not available is missing, and\n"
               "                      which files each available one lacks or has wrong\n"
               "  --fixdat OUT        write the missing and wrong files as a fixdat (Logiqx\n"
               "                      XML) for a ROM manager\n"
               "  --reads N           archives read at once when they are slow to read, as on\n"
               "                      a network share or a USB disk (default: %d; 1: one by one)\n"
               "  --json              print one JSON document\n"
               "  --no-cache          read every archive, and neither read nor write the cache\n"
               "                      of what earlier audits read (~/.cache/ludra/)\n"
               "  --version           print the version\n"
               "  --help              print this help\n",
               kAuditReads);
}

// False when there is no file at `path`.
bool ReadListFile(const std::string& path, TIniFile& list) {
  std::string bytes;
  {
    // As the window reads it: a save written into the file in place is waited for.
    const TFileLock lock(path, kListFileLockTimeout, TFileLock::Shared);
    if (!ReadWholeFile(path, bytes, TIniFile::MaxFileBytes)) return false;
  }
  list = TIniFile(std::move(bytes));
  return true;
}

// A string to be printed as a JSON string.
struct TJson {
  std::string_view Text;
};
TJson Json(std::string_view s) {
  return {s};
}

std::string Join(const std::vector<std::string>& items, const char* separator) {
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? separator : "") + items[i];
  return out;
}

const char* StatusKey(TFileCheck::TStatus status) {
  switch (status) {
    case TFileCheck::WrongSize:
      return "wrong-size";
    case TFileCheck::WrongCrc:
      return "wrong-crc";
    case TFileCheck::NotReadable:
      return "not-readable";
    case TFileCheck::NotChecked:
      return "not-checked";
    default:
      return "missing";
  }
}

// Why a file could not be checked, in words.
std::string WhyText(const TFileCheck& f) {
  if (f.Status == TFileCheck::NotReadable && f.Gone) return "archive not found: " + f.Archive;
  return f.Why.English();
}

const char* ReasonKey(TAuditNote::TReason reason) {
  switch (reason) {
    case TAuditNote::ArchiveMissing:
      return "archive-not-found";
    case TAuditNote::NoExpectedFile:
      return "no-expected-file";
    case TAuditNote::DirectoryUnreadable:
      return "directory-unreadable";
    case TAuditNote::Incomplete:
      return "incomplete";
    default:
      return "ok";
  }
}

// One line on a terminal's stderr, rewritten in place as the archives are read, gone at the end;
// nothing at all when stderr is not a terminal, so scripts see what they always saw.
class TProgress {
 public:
  explicit TProgress(const TAuditControl& control)
      : FControl(control), FShown(isatty(STDERR_FILENO) == 1), FLast(TClock::now()) {}
  bool Shown() const { return FShown; }
  ~TProgress() { Clear(); }
  // Before anything else is written to the terminal.
  void Clear() {
    if (!FWritten) return;
    FWritten = false;
    std::fputs("\r\033[K", stderr);
  }
  void Update() {
    if (!FShown) return;
    const auto now = TClock::now();
    if (now - FLast < kEvery) return;
    FLast = now;
    FWritten = true;
    std::fprintf(stderr, "\rludra-audit: %zu of %zu archives read\033[K",
                 FControl.Done.load(std::memory_order_relaxed),
                 FControl.Total.load(std::memory_order_relaxed));
  }

 private:
  using TClock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kEvery{100};
  const TAuditControl& FControl;
  const bool FShown;
  bool FWritten = false;
  TClock::time_point FLast;
};

// Everything printed goes through one buffer, written out in large pieces.
class TOutput {
 public:
  TOutput() : FData(new char[kSize]), FPos(FData.get()) {}
  ~TOutput() { Flush(); }
  TOutput(const TOutput&) = delete;
  TOutput& operator=(const TOutput&) = delete;

  TOutput& operator<<(std::string_view text) {
    if (text.size() <= Room()) {
      if (!text.empty()) std::memcpy(FPos, text.data(), text.size());
      FPos += text.size();
    } else {
      Spill(text);
    }
    return *this;
  }
  TOutput& operator<<(uint64_t number) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    return *this << std::string_view(digits, static_cast<std::size_t>(end - digits));
  }
  // Quoted, with what JSON cannot hold as it is escaped.
  TOutput& operator<<(TJson json) {
    *this << "\"";
    std::string_view rest = json.Text;
    while (!rest.empty()) {
      std::size_t plain = 0;
      while (plain < rest.size() && !NeedsEscape(static_cast<unsigned char>(rest[plain]))) ++plain;
      *this << rest.substr(0, plain);
      if (plain == rest.size()) break;
      *this << Escape(static_cast<unsigned char>(rest[plain]));
      rest.remove_prefix(plain + 1);
    }
    return *this << "\"";
  }
  // `text` padded with blanks to `width`, on the left or on the right.
  TOutput& Padded(std::string_view text, std::size_t width, bool right) {
    static constexpr std::string_view kBlanks = "                ";
    if (!right) *this << text;
    for (std::size_t pad = width > text.size() ? width - text.size() : 0; pad > 0;) {
      const std::size_t n = std::min(pad, kBlanks.size());
      *this << kBlanks.substr(0, n);
      pad -= n;
    }
    return right ? *this << text : *this;
  }
  TProgress* Progress = nullptr;  // its line is cleared before output goes to the terminal

  void Flush() {
    if (Progress) Progress->Clear();
    std::fwrite(FData.get(), 1, static_cast<std::size_t>(FPos - FData.get()), stdout);
    FPos = FData.get();
  }

 private:
  static constexpr std::size_t kSize = 64 * 1024;
  std::size_t Room() const { return static_cast<std::size_t>(FData.get() + kSize - FPos); }
  void Spill(std::string_view text) {
    Flush();
    if (text.size() >= kSize) {
      std::fwrite(text.data(), 1, text.size(), stdout);
      return;
    }
    std::memcpy(FPos, text.data(), text.size());
    FPos += text.size();
  }
  static bool NeedsEscape(unsigned char c) { return c == '"' || c == '\\' || c < 0x20; }
  static std::string Escape(unsigned char c) {
    switch (c) {
      case '"':
        return "\\\"";
      case '\\':
        return "\\\\";
      case '\n':
        return "\\n";
      case '\r':
        return "\\r";
      case '\t':
        return "\\t";
      default: {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", c);
        return buf;
      }
    }
  }
  std::unique_ptr<char[]> FData;
  char* FPos;
};

// Prints the report as the audit goes: each game when it has been audited, so no table of games
// is kept, whatever the size of the catalogue.
class TReport {
 public:
  TReport(bool json, bool missing, const std::string& workDir)
      : FJson(json), FMissing(missing), FWorkDir(workDir) {}

  std::string ListPath, RomDir;
  const TDat* Dat = nullptr;  // the ROM list checked against
  std::string DatPath;

  void ShowProgress(TProgress* progress) { Out.Progress = progress; }

  void Game(const TGameView& g, const TAuditNote* n) {
    Begin();
    ++FGames;
    FAvailable += g.Available;
    if (n) {
      FIncomplete += n->Reason == TAuditNote::Incomplete;
      if (Dat && !n->DatGame.empty())
        FMatched.insert(Dat->Find(n->DatGame));
      else
        ++FWithoutDat;
    }
    if (FJson)
      JsonGame(g, n);
    else
      TextGame(g, n);
  }

  void End(const std::vector<std::string>* companies, const std::string& error) {
    Begin();
    if (FJson)
      JsonEnd(companies, error);
    else if (companies)
      TextEnd(*companies);
    Out.Flush();
  }

 private:
  void Begin() {
    if (FBegun) return;
    FBegun = true;
    if (FJson)
      Out << "{\n  \"listFile\": " << Json(ListPath) << ",\n  \"romDirectory\": " << Json(RomDir)
          << ",\n  \"games\": [";
  }

  void TextGame(const TGameView& g, const TAuditNote* n) {
    char number[24];
    const auto end = std::to_chars(number, number + sizeof number, FGames).ptr;
    Out.Padded(std::string_view(number, static_cast<std::size_t>(end - number)), 4, true) << "  ";
    Out.Padded(g.Available ? "available" : "missing", 9, false)
        << "  " << g.Game << " | " << g.Company << " | " << g.Year << " | " << g.RomPath << "\n";
    if (!FMissing || !n || n->Reason == TAuditNote::Ok) return;
    FWarnings += n->Reason == TAuditNote::DirectoryUnreadable;
    Out << "        " << AuditNoteText(g.RomPath, *n, FWorkDir) << "\n";
  }

  void TextEnd(const std::vector<std::string>& companies) {
    Out << "Companies: " << Join(companies, "; ") << "\n";
    Out << FGames << " games: " << FAvailable << " available, " << FGames - FAvailable
        << " missing";
    if (FIncomplete) Out << ", " << FIncomplete << " incomplete";
    if (FMissing && FWarnings) Out << ", " << FWarnings << " with an unreadable archive directory";
    Out << "\n";
    if (Dat)
      Out << "DAT " << DatPath << ": " << Dat->Games.size() << " games, " << FMatched.size()
          << " in the catalogue, " << DatWithout() << " not in it; games of the catalogue not in "
          << "the DAT: " << FGames - CatalogueMatched() << DisksText() << "\n";
  }

  void JsonGame(const TGameView& g, const TAuditNote* n) {
    Out << (FGames > 1 ? "," : "") << "\n    {\"number\": " << FGames
        << ", \"available\": " << (g.Available ? "true" : "false")
        << ", \"title\": " << Json(g.Game) << ", \"country\": " << Json(g.Country)
        << ", \"company\": " << Json(g.Company) << ", \"system\": " << Json(g.System)
        << ", \"year\": " << Json(g.Year) << ", \"archive\": " << Json(g.RomPath)
        << ", \"preview\": " << Json(g.Preview)
        << ", \"sound\": " << (g.SoundFlag ? "true" : "false");
    if (FMissing && n) {
      Out << ", \"reason\": \"" << ReasonKey(n->Reason)
          << "\", \"archivePath\": " << Json(AuditedPath(g.RomPath, *n, FWorkDir));
      if (n->Reason == TAuditNote::NoExpectedFile) {
        Out << ", \"expected\": [";
        for (std::size_t k = 0; k < n->Expected.size(); ++k)
          Out << (k ? ", " : "") << Json(n->Expected[k]);
        Out << "]";
      }
      if (!n->DatGame.empty()) Out << ", \"datGame\": " << Json(n->DatGame);
      if (n->Listed) {
        Out << ", \"files\": " << n->Listed << ", \"bad\": [";
        for (std::size_t k = 0; k < n->Bad.size(); ++k) {
          const TFileCheck& f = n->Bad[k];
          Out << (k ? ", " : "") << "{\"name\": " << Json(f.Name) << ", \"status\": \""
              << StatusKey(f.Status) << "\"";
          if (f.HasSize) Out << ", \"size\": " << f.Size;
          if (f.HasCrc) Out << ", \"crc\": \"" << CrcText(f.Crc) << "\"";
          if (f.BadDump) Out << ", \"baddump\": true";
          if (!f.Merge.empty()) Out << ", \"merge\": " << Json(f.Merge);
          if (f.Status == TFileCheck::WrongSize) Out << ", \"foundSize\": " << f.FoundSize;
          if (f.Status == TFileCheck::WrongCrc)
            Out << ", \"foundCrc\": \"" << CrcText(f.FoundCrc) << "\"";
          if (f.Status == TFileCheck::NotReadable || f.Status == TFileCheck::NotChecked)
            Out << ", \"why\": " << Json(WhyText(f));
          Out << "}";
        }
        Out << "]";
      }
    }
    Out << "}";
  }

  void JsonEnd(const std::vector<std::string>* companies, const std::string& error) {
    Out << "\n  ]";
    if (companies) {
      Out << ",\n  \"companies\": [";
      for (std::size_t k = 0; k < companies->size(); ++k)
        Out << (k ? ", " : "") << Json((*companies)[k]);
      Out << "],\n  \"summary\": {\"games\": " << FGames << ", \"available\": " << FAvailable
          << ", \"missing\": " << FGames - FAvailable;
      if (FIncomplete) Out << ", \"incomplete\": " << FIncomplete;
      if (Dat)
        Out << ", \"dat\": {\"path\": " << Json(DatPath) << ", \"games\": " << Dat->Games.size()
            << ", \"inCatalogue\": " << FMatched.size() << ", \"notInCatalogue\": " << DatWithout()
            << ", \"catalogueGamesNotInDat\": " << FGames - CatalogueMatched()
            << (Dat->Disks ? ", \"disksNotChecked\": " + std::to_string(Dat->Disks) : "") << "}";
      Out << "}";
    } else {
      Out << ",\n  \"error\": " << Json(error);
    }
    Out << "\n}\n";
  }

  std::size_t DatWithout() const { return Dat->Games.size() - FMatched.size(); }
  // Disk images are counted, never checked: the summary says so rather than drop them.
  std::string DisksText() const {
    if (!Dat->Disks) return {};
    return "; disks not checked: " + std::to_string(Dat->Disks);
  }
  std::size_t CatalogueMatched() const { return FGames - FWithoutDat; }

  const bool FJson, FMissing;
  const std::string& FWorkDir;
  bool FBegun = false;
  std::size_t FGames = 0, FAvailable = 0, FWarnings = 0, FIncomplete = 0, FWithoutDat = 0;
  std::unordered_set<const TDatGame*> FMatched;  // the DAT's games that catalogue games found
  TOutput Out;
};
}  // namespace

int main(int argc, char** argv) {
  TPaths paths = ProcessPaths();
  // Paths are shown relative to where the user is, also when the emulator's folder is elsewhere.
  const std::string userDir = paths.WorkDir;
  std::string listPath, emulatorDir, datPath, fixdatPath;
  bool missing = false, json = false, listGiven = false, cached = true;
  int reads = kAuditReads;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--missing") {
      missing = true;
    } else if (arg == "--json") {
      json = true;
    } else if (arg == "--no-cache") {
      cached = false;
    } else if (arg == "--dat" && i + 1 < argc) {
      datPath = AbsolutePath(paths.WorkDir, argv[++i]);
    } else if (arg == "--fixdat" && i + 1 < argc) {
      fixdatPath = AbsolutePath(paths.WorkDir, argv[++i]);
    } else if (arg == "--list" && i + 1 < argc) {
      listPath = AbsolutePath(paths.WorkDir, argv[++i]);
      listGiven = true;
    } else if (arg == "--reads" && i + 1 < argc) {
      const std::string_view value = argv[++i];
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), reads);
      if (error != std::errc() || end != value.data() + value.size() || reads < 1) {
        std::fprintf(stderr, "ludra-audit: --reads takes a number of 1 or more\n");
        return 2;
      }
    } else if (arg == "--emulator-dir" && i + 1 < argc) {
      emulatorDir = argv[++i];
    } else if (arg == "--help" || arg == "-h") {
      Usage(stdout);
      return 0;
    } else if (arg == "--version") {
      std::printf("ludra-audit %s\n", LUDRA_VERSION);
      return 0;
    } else {
      std::fprintf(stderr, "ludra-audit: unknown argument \"%s\"\n", arg.c_str());
      Usage(stderr);
      return 2;
    }
  }
  if (!listGiven) {
    // Installed, it audits the emulator's folder that ludra would use, never its own folder.
    const bool installed = IsInstalledProgram(paths.ExeDir);
    if (!installed && !emulatorDir.empty()) {
      std::fprintf(stderr, "ludra-audit: --emulator-dir is for an installed ludra-audit\n");
      return 2;
    }
    if (installed) {
      std::optional<std::string> folder;
      try {
        folder = TEmulatorFolder(UserConfigDir()).Find(emulatorDir, paths.WorkDir);
      } catch (const std::exception& e) {
        std::fprintf(stderr, "ludra-audit: %s\n", e.what());
        return 2;
      }
      if (!folder) {
        std::fprintf(stderr,
                     "ludra-audit: which emulator's folder? Give it with --emulator-dir DIR or "
                     "--list FILE, or start in the folder that holds tavi.exe.\n");
        return 1;
      }
      paths = PathsInFolder(*folder);
    }
    listPath = ListFilePath(paths);
  }
  // The ROM list: one that is malformed is reported, and the audit runs as without it.
  std::optional<TDat> dat;
  bool datFailed = false;
  {
    const bool datGiven = !datPath.empty();
    if (!datGiven) datPath = DatPathBeside(listPath);
    try {
      if (datGiven || DatIsThere(datPath))
        dat = ReadDatCached(datPath, cached ? UserCacheFolder() : std::string());
      // What the DAT holds that cannot be used is said once, before the audit.
      if (dat)
        for (const std::string& note : dat->Notes)
          std::fprintf(stderr, "ludra-audit: \"%s\": %s\n", datPath.c_str(), note.c_str());
    } catch (const std::exception& e) {
      std::fprintf(stderr, "ludra-audit: %s The audit runs without it.\n", e.what());
      datFailed = true;
    }
  }
  TAuditControl control;
  TProgress progress(control);  // outlives the report, which clears its line before each output
  TReport report(json, missing, userDir);
  report.ShowProgress(&progress);
  report.ListPath = listPath;
  if (dat) {
    report.Dat = &*dat;
    report.DatPath = datPath;
  }
  std::optional<TFixDat> fixdat;
  if (!fixdatPath.empty())
    fixdat.emplace(dat ? "fix_" + (dat->Name.empty() ? std::string("ludra") : dat->Name)
                       : std::string("fix_ludra"),
                   "Missing and wrong files of the catalogue in " + listPath +
                       (dat ? " against " + datPath : std::string()));
  std::vector<std::string> companies;
  std::optional<TAuditCache> cache;
  std::string error;
  bool complete = false;
  // An auditor only reads: it opens the list file read-only and creates nothing.
  try {
    TIniFile list;
    if (!ReadListFile(report.ListPath, list)) {
      if (listGiven)
        throw EFOpenError(report.ListPath,
                          FileErrorMessage("open", report.ListPath, SysErrorMessage(ENOENT)));
      std::fprintf(stderr, "ludra-audit: no list file at \"%s\"; auditing the built-in catalogue\n",
                   report.ListPath.c_str());
      report.ListPath = "(built-in catalogue)";
      list = TIniFile(std::string(kDefaultCatalogue));
    }
    // The reasons are gathered only when they are printed.
    TAuditOptions options;
    if (progress.Shown()) options.Control = &control;  // its count of the games costs a pass
    options.Reads = reads;
    options.Dat = dat ? &*dat : nullptr;
    // What earlier audits of this catalogue read, where the working folder places its ROMs.
    if (cached) cache.emplace(UserCacheFolder(), report.ListPath + "\n" + paths.WorkDir);
    options.Cache = cache ? &*cache : nullptr;
    companies = AuditGames(
        list, paths.WorkDir, report.RomDir, missing || fixdat || dat,
        [&](const TGameView& game, TAuditNote* note) {
          report.Game(game, note);
          if (fixdat) fixdat->Add(game.RomPath, game.Game, *note);
          progress.Update();
        },
        &options);
    complete = true;
  } catch (const std::bad_alloc&) {
    // The list file's games (an archive's own says so).
    error = FileErrorMessage("read", report.ListPath, "not enough memory");
  } catch (const std::exception& e) {
    error = e.what();
  }
  report.End(complete ? &companies : nullptr, error);
  std::fflush(stdout);
  if (complete && cache) cache->Save();
  if (!complete) {
    std::fprintf(stderr, "ludra-audit: %s\n", error.c_str());
    return 1;
  }
  // Without the DAT that was meant, a fixdat would hold names only: one already there stays.
  if (fixdat && datFailed) {
    std::fprintf(stderr,
                 "ludra-audit: the fixdat \"%s\" is not written, as the DAT cannot be read\n",
                 fixdatPath.c_str());
    return 1;
  }
  if (fixdat && fixdat->Games() == 0) {
    // An empty ROM list is no valid one, and an old fixdat there may still be wanted.
    if (fixdat->LeftOut())
      std::fprintf(stderr,
                   "ludra-audit: no fixdat written: the %zu missing or wrong files have no "
                   "size without a DAT, and a ROM list needs one\n",
                   fixdat->LeftOut());
    else
      std::fprintf(stderr, "ludra-audit: no fixdat written: no file is missing or wrong\n");
  } else if (fixdat) {
    try {
      WriteFileAtomic(fixdatPath, fixdat->Text());
    } catch (const std::exception& e) {
      std::fprintf(stderr, "ludra-audit: %s\n", e.what());
      return 1;
    }
  }
  return datFailed ? 1 : 0;
}
