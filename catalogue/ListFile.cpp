#include "ListFile.h"

#include <sys/stat.h>

#include "AtomicFile.h"
#include "Errors.h"

std::string ListFilePath(const TPaths& paths) {
  return paths.ExeDir + "ludra.ini";
}

void EnsureListFile(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) == 0) return;  // whatever is there is the user's
  try {
    WriteFileAtomic(path, kDefaultCatalogue);
  } catch (const EFileError& e) {
    throw EFCreateError(path, std::string("Cannot create the list file: ") + e.what());
  }
}

TListFile::TListFile(std::string path) : FPath(std::move(path)), FIni(TIniFile::Load(FPath)) {}

void TListFile::Flush(const TIniFile& changed) {
  changed.SaveTo(FPath);
  FIni = changed;
}

void TListFile::WriteString(std::string_view section, std::string_view key,
                            std::string_view value) {
  TIniFile changed = FIni;
  changed.WriteString(section, key, value);
  Flush(changed);
}

void TListFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TListFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

std::string IncludeTrailingBackslash(const std::string& path) {
  return path.empty() || path.back() != '\\' ? path + "\\" : path;
}
