// ludra-audit: the catalogue's audit without a window, for large sets and for scripts.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
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

void PrintText(const TReport& r, bool missing) {
  int available = 0, warnings = 0;
  for (std::size_t i = 0; i < r.Games.size(); ++i) {
    const TGame& g = r.Games[i];
    available += g.Available;
    std::printf("%4zu  %-9s  %s | %s | %s | %s\n", i + 1, g.Available ? "available" : "missing",
                g.Game.c_str(), g.Company.c_str(), g.Year.c_str(), g.RomPath.c_str());
    if (!missing || i >= r.Notes.size()) continue;
    const TAuditNote& n = r.Notes[i];
    if (n.Reason == TAuditNote::Ok) continue;
    warnings += n.Reason == TAuditNote::DirectoryUnreadable;
    std::printf("        %s\n", AuditNoteText(g, n, r.WorkDir).c_str());
  }
  if (!r.Complete) return;
  std::printf("Companies: %s\n", Join(r.Companies, "; ").c_str());
  std::printf("%zu games: %d available, %zu missing", r.Games.size(), available,
              r.Games.size() - static_cast<std::size_t>(available));
  if (missing && warnings) std::printf(", %d with an unreadable archive directory", warnings);
  std::printf("\n");
}

void PrintJson(const TReport& r, bool missing) {
  int available = 0;
  std::printf("{\n  \"listFile\": %s,\n  \"romDirectory\": %s,\n  \"games\": [",
              Json(r.ListPath).c_str(), Json(r.RomDir).c_str());
  for (std::size_t i = 0; i < r.Games.size(); ++i) {
    const TGame& g = r.Games[i];
    available += g.Available;
    std::printf(
        "%s\n    {\"number\": %zu, \"available\": %s, \"title\": %s, \"country\": %s, "
        "\"company\": %s, \"system\": %s, \"year\": %s, \"archive\": %s, "
        "\"preview\": %s, \"sound\": %s",
        i ? "," : "", i + 1, g.Available ? "true" : "false", Json(g.Game).c_str(),
        Json(g.Country).c_str(), Json(g.Company).c_str(), Json(g.System).c_str(),
        Json(g.Year).c_str(), Json(g.RomPath).c_str(), Json(g.Preview).c_str(),
        g.SoundFlag ? "true" : "false");
    if (missing && i < r.Notes.size()) {
      const TAuditNote& n = r.Notes[i];
      std::printf(", \"reason\": \"%s\", \"archivePath\": %s", ReasonKey(n.Reason),
                  Json(AuditedPath(g, n, r.WorkDir)).c_str());
      if (n.Reason == TAuditNote::NoExpectedFile) {
        std::printf(", \"expected\": [");
        for (std::size_t k = 0; k < n.Expected.size(); ++k)
          std::printf("%s%s", k ? ", " : "", Json(n.Expected[k]).c_str());
        std::printf("]");
      }
    }
    std::printf("}");
  }
  std::printf("\n  ]");
  if (r.Complete) {
    std::printf(",\n  \"companies\": [");
    for (std::size_t k = 0; k < r.Companies.size(); ++k)
      std::printf("%s%s", k ? ", " : "", Json(r.Companies[k]).c_str());
    std::printf("],\n  \"summary\": {\"games\": %zu, \"available\": %d, \"missing\": %zu}",
                r.Games.size(), available, r.Games.size() - static_cast<std::size_t>(available));
  } else {
    std::printf(",\n  \"error\": %s", Json(r.Error).c_str());
  }
  std::printf("\n}\n");
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
    report.Companies =
        LoadGamesFrom(list, paths.WorkDir, report.Games, report.RomDir, &report.Notes);
    report.Complete = true;
  } catch (const std::exception& e) {
    report.Error = e.what();
  }
  if (json)
    PrintJson(report, missing);
  else
    PrintText(report, missing);
  std::fflush(stdout);
  if (!report.Complete) {
    std::fprintf(stderr, "ludra-audit: %s\n", report.Error.c_str());
    return 1;
  }
  return 0;
}
