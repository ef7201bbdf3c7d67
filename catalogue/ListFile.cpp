#include "catalogue/ListFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <new>

#include "fileio/AtomicFile.h"
#include "fileio/Errors.h"

std::string ListFilePath(const TPaths& paths) {
  return paths.ExeDir + "ludra.ini";
}

void EnsureListFile(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0) {
    if (S_ISREG(st.st_mode)) return;  // the user's: never touched
    throw EFCreateError(path, FileError("create", path, NotRegularReason(st.st_mode)));
  }
  if (errno != ENOENT) throw EFCreateError(path, FileError("create", path, SysErrorMessage(errno)));
  // Missing (or a link to nothing): made under the lock, unless another program made it first.
  TListFileChange change(path, TListFileChange::StartFromCatalogue);
  if (!change.Existed()) change.Commit();
}

namespace {
// Read under the changes' lock, shared: a change written into the file in place is waited for.
TIniFile LoadLocked(const std::string& path) {
  const TFileLock lock(path, kListFileLockTimeout, TFileLock::Shared);
  return TIniFile::Load(path);
}
}  // namespace

TListFile::TListFile(std::string path) : FPath(std::move(path)), FIni(LoadLocked(FPath)) {}

TListFileChange::TListFileChange(std::string path, TMissing missing,
                                 std::chrono::milliseconds lockTimeout)
    : FPath(std::move(path)), FLock(FPath, lockTimeout) {
  // A change that would create the file reports what stands in its way as the create error.
  struct stat st;
  if (missing == StartFromCatalogue && stat(FPath.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    throw EFCreateError(FPath, FileError("create", FPath, NotRegularReason(st.st_mode)));
  FExisted = ReadWholeFile(FPath, FText, TIniFile::MaxFileBytes);
  if (!FExisted && missing == StartFromCatalogue) FText = kDefaultCatalogue;
}

const TIniFile& TListFileChange::Ini() const {
  try {
    if (!FIni) FIni.emplace(FText);
  } catch (const std::bad_alloc&) {
    RaiseOutOfMemory(FPath);
  }
  return *FIni;
}

void TListFileChange::WriteString(std::string_view section, std::string_view key,
                                  std::string_view value) {
  FChanges.push_back({std::string(section), std::string(key), std::string(value)});
}

void TListFileChange::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TListFileChange::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TListFileChange::Commit() {
  // Only the sections written to are looked at: a save costs little more than the replacement.
  std::string text;
  try {
    text = ApplyIniChanges(FIni ? FText : std::move(FText), FChanges);
  } catch (const std::bad_alloc&) {
    throw EFCreateError(FPath, FileError("write", FPath, NotEnoughMemory()));
  }
  WriteFileAtomic(FPath, text, FExisted ? "write" : "create");
}

std::string IncludeTrailingBackslash(const std::string& path) {
  return path.empty() || path.back() != '\\' ? path + "\\" : path;
}
