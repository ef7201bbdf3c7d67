// ludra-audit: the catalogue's audit without a window, for large sets and for scripts.
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AtomicFile.h"
#include "AuditText.h"
#include "EmulatorFolder.h"
#include "Errors.h"
#include "Games.h"
#include "ListFile.h"

namespace {
void Usage(FILE* to) {
  std::fprintf(to,
               "usage: ludra-audit [--list FILE | --emulator-dir DIR] [--missing] [--json]\n"
               "  --list FILE         the list file to audit (default: ludra.ini beside the\n"
               "                      program, or in the emulator's folder when installed)\n"
               "  --emulator-dir DIR  the emulator's folder, for an installed ludra-audit\n"
               "                      (default: the working directory when it holds tavi.exe,\n"
               "                      else the folder ludra used last)\n"
               "  --missing           say why each game that is not available is missing\n"
               "  --json              print one JSON document\n"
               "  --version           print the version\n"
               "  --help              print this help\n");
}

// False when there is no file at `path`.
bool ReadListFile(const std::string& path, TIniFile& list) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes, TIniFile::MaxFileBytes)) return false;
  list = TIniFile(std::move(bytes));
  return true;
}

std::string Json(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string Join(const std::vector<std::string>& items, const char* separator) {
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? separator : "") + items[i];
  return out;
}

const char* ReasonKey(TAuditNote::TReason reason) {
  switch (reason) {
    case TAuditNote::ArchiveMissing:
      return "archive-not-found";
    case TAuditNote::NoExpectedFile:
      return "no-expected-file";
    case TAuditNote::DirectoryUnreadable:
      return "directory-unreadable";
    default:
      return "ok";
  }
}

struct TReport {
  std::string ListPath, WorkDir, RomDir, Error;
  TGameList Games;
  std::vector<TAuditNote> Notes;
  std::vector<std::string> Companies;
  bool Complete = false;
};

// Everything printed goes through one buffer, written out in large pieces.
class TOutput {
 public:
  TOutput() { FBuffer.reserve(kChunk + 4096); }
  ~TOutput() { Flush(); }
  TOutput(const TOutput&) = delete;
  TOutput& operator=(const TOutput&) = delete;

  TOutput& operator<<(std::string_view text) {
    FBuffer.append(text);
    if (FBuffer.size() >= kChunk) Flush();
    return *this;
  }
  TOutput& operator<<(std::size_t number) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    return *this << std::string_view(digits, static_cast<std::size_t>(end - digits));
  }
  // `text` padded with blanks to `width`, on the left or on the right.
  TOutput& Padded(std::string_view text, std::size_t width, bool right) {
    const std::string blanks(width > text.size() ? width - text.size() : 0, ' ');
    return right ? *this << blanks << text : *this << text << blanks;
  }
  void Flush() {
    std::fwrite(FBuffer.data(), 1, FBuffer.size(), stdout);
    FBuffer.clear();
  }

 private:
  static constexpr std::size_t kChunk = 64 * 1024;
  std::string FBuffer;
};

void PrintText(TOutput& out, const TReport& r, bool missing) {
  std::size_t available = 0, warnings = 0;
  char number[24];
  for (std::size_t i = 0; i < r.Games.size(); ++i) {
    const TGame& g = r.Games[i];
    available += g.Available;
    const auto end = std::to_chars(number, number + sizeof number, i + 1).ptr;
    out.Padded(std::string_view(number, static_cast<std::size_t>(end - number)), 4, true) << "  ";
    out.Padded(g.Available ? "available" : "missing", 9, false)
        << "  " << g.Game << " | " << g.Company << " | " << g.Year << " | " << g.RomPath << "\n";
    if (!missing || i >= r.Notes.size()) continue;
    const TAuditNote& n = r.Notes[i];
    if (n.Reason == TAuditNote::Ok) continue;
    warnings += n.Reason == TAuditNote::DirectoryUnreadable;
    out << "        " << AuditNoteText(g, n, r.WorkDir) << "\n";
  }
  if (!r.Complete) return;
  out << "Companies: " << Join(r.Companies, "; ") << "\n";
  out << r.Games.size() << " games: " << available << " available, " << r.Games.size() - available
      << " missing";
  if (missing && warnings) out << ", " << warnings << " with an unreadable archive directory";
  out << "\n";
}

void PrintJson(TOutput& out, const TReport& r, bool missing) {
  std::size_t available = 0;
  out << "{\n  \"listFile\": " << Json(r.ListPath) << ",\n  \"romDirectory\": " << Json(r.RomDir)
      << ",\n  \"games\": [";
  for (std::size_t i = 0; i < r.Games.size(); ++i) {
    const TGame& g = r.Games[i];
    available += g.Available;
    out << (i ? "," : "") << "\n    {\"number\": " << i + 1
        << ", \"available\": " << (g.Available ? "true" : "false")
        << ", \"title\": " << Json(g.Game) << ", \"country\": " << Json(g.Country)
        << ", \"company\": " << Json(g.Company) << ", \"system\": " << Json(g.System)
        << ", \"year\": " << Json(g.Year) << ", \"archive\": " << Json(g.RomPath)
        << ", \"preview\": " << Json(g.Preview)
        << ", \"sound\": " << (g.SoundFlag ? "true" : "false");
    if (missing && i < r.Notes.size()) {
      const TAuditNote& n = r.Notes[i];
      out << ", \"reason\": \"" << ReasonKey(n.Reason)
          << "\", \"archivePath\": " << Json(AuditedPath(g, n, r.WorkDir));
      if (n.Reason == TAuditNote::NoExpectedFile) {
        out << ", \"expected\": [";
        for (std::size_t k = 0; k < n.Expected.size(); ++k)
          out << (k ? ", " : "") << Json(n.Expected[k]);
        out << "]";
      }
    }
    out << "}";
  }
  out << "\n  ]";
  if (r.Complete) {
    out << ",\n  \"companies\": [";
    for (std::size_t k = 0; k < r.Companies.size(); ++k)
      out << (k ? ", " : "") << Json(r.Companies[k]);
    out << "],\n  \"summary\": {\"games\": " << r.Games.size() << ", \"available\": " << available
        << ", \"missing\": " << r.Games.size() - available << "}";
  } else {
    out << ",\n  \"error\": " << Json(r.Error);
  }
  out << "\n}\n";
}
}  // namespace

int main(int argc, char** argv) {
  TPaths paths = TPaths::FromProcess();
  TReport report;
  // Paths are shown relative to where the user is, also when the emulator's folder is elsewhere.
  report.WorkDir = paths.WorkDir;
  std::string emulatorDir;
  bool missing = false, json = false, listGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--missing") {
      missing = true;
    } else if (arg == "--json") {
      json = true;
    } else if (arg == "--list" && i + 1 < argc) {
      report.ListPath = AbsolutePath(paths.WorkDir, argv[++i]);
      listGiven = true;
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
    report.ListPath = ListFilePath(paths);
  }
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
    report.Companies = LoadGamesFrom(list, paths.WorkDir, report.Games, report.RomDir,
                                     missing ? &report.Notes : nullptr);
    report.Complete = true;
  } catch (const std::exception& e) {
    report.Error = e.what();
  }
  {
    TOutput out;
    if (json)
      PrintJson(out, report, missing);
    else
      PrintText(out, report, missing);
  }
  std::fflush(stdout);
  if (!report.Complete) {
    std::fprintf(stderr, "ludra-audit: %s\n", report.Error.c_str());
    return 1;
  }
  return 0;
}
