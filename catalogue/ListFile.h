#pragma once
// The list file "ludra.ini": the catalogue, the ROM directory and every game's settings.
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/IniFile.h"
#include "catalogue/IniPatch.h"
#include "catalogue/Paths.h"
#include "fileio/AtomicFile.h"

extern const std::string_view kDefaultCatalogue;  // 261 lines, CR LF, compiled in

// ExeDir + "ludra.ini".
std::string ListFilePath(const TPaths& paths);

// Creates the list file from the default catalogue when nothing exists at `path` (at the target
// of a dangling link, which stays); an existing file is never touched. Raises EFCreateError
// naming the file when it cannot be created, or when something that is no file is in the way.
void EnsureListFile(const std::string& path);

// Reading the list file: parsed once when constructed, every read served from memory. A missing
// file reads as empty. It is read under the changes' lock, shared, so that a change written into
// the file in place (a shared folder's) is seen whole or not at all; raises EFOpenError naming the
// file when another program keeps the lock longer than the changes wait for it.
class TListFile {
 public:
  explicit TListFile(std::string path);

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

 private:
  std::string FPath;
  TIniFile FIni;
};

// How long a change waits for another program's change of the same file.
constexpr std::chrono::milliseconds kListFileLockTimeout{5000};

// One change of the list file, whole or not at all: made under an exclusive lock (TFileLock), on
// the file as it stands once the lock is held, and written with one crash-safe replacement. Keys
// written are collected; Commit() applies them all in memory with the rules of single writes and
// replaces the file once. Without Commit() nothing is written. Raises EFCreateError naming the
// file when the lock is not had in time, EFOpenError when the file cannot be read.
class TListFileChange {
 public:
  enum TMissing {
    StartEmpty,          // a missing file is created with just the keys written
    StartFromCatalogue,  // ... or from the default catalogue, with the keys written
  };
  explicit TListFileChange(std::string path, TMissing missing = StartEmpty,
                           std::chrono::milliseconds lockTimeout = kListFileLockTimeout);

  bool Existed() const { return FExisted; }
  const TIniFile& Ini() const;  // the file before this change

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // Raises EFCreateError naming the file when it cannot be written; the file then keeps what it
  // held, none of this change's keys.
  void Commit();

 private:
  std::string FPath;
  TFileLock FLock;  // taken first, released last
  bool FExisted = false;
  std::string FText;                     // the file before this change
  mutable std::optional<TIniFile> FIni;  // read from FText when asked for
  std::vector<TIniChange> FChanges;
};

// Appends "\" to a path that is empty or does not end in one.
std::string IncludeTrailingBackslash(const std::string& path);
