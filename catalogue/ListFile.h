#pragma once
// The list file "ludra.ini": the catalogue, the ROM directory and every game's settings.
#include <string>
#include <string_view>

#include "IniFile.h"
#include "Paths.h"

extern const std::string_view kDefaultCatalogue;  // 261 lines, CR LF, compiled in

// ExeDir + "ludra.ini".
std::string ListFilePath(const TPaths& paths);

// Creates the list file from the default catalogue when nothing exists at `path`; an existing
// file is never touched. Raises EFCreateError naming the file when it cannot be created.
void EnsureListFile(const std::string& path);

// One operation on the list file: parsed once when constructed, every read served from memory,
// every write reaching the disk at once (crash-safely) before it returns.
class TListFile {
 public:
  explicit TListFile(std::string path);  // a missing file reads as empty

  const std::string& Path() const { return FPath; }
  const TIniFile& Ini() const { return FIni; }

  std::string ReadString(std::string_view section, std::string_view key,
                         const std::string& def) const {
    return FIni.ReadString(section, key, def);
  }
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
    return FIni.ReadInteger(section, key, def);
  }
  bool ReadBool(std::string_view section, std::string_view key, bool def) const {
    return FIni.ReadBool(section, key, def);
  }

  // Each raises EFCreateError naming the file when the file cannot be written; the file on
  // disk then keeps what it held, including the keys written before.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

 private:
  void Flush(const TIniFile& changed);
  std::string FPath;
  TIniFile FIni;
};

// Appends "\" to a path that is empty or does not end in one.
std::string IncludeTrailingBackslash(const std::string& path);
