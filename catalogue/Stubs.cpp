// Placeholder bodies while the catalogue is built.
#include "Games.h"
#include "ListFile.h"

TPaths TPaths::FromProcess() { return {}; }
std::string ToNativePath(const std::string& s) { return s; }
std::string AbsolutePath(const std::string& base, const std::string& s) { return base + s; }
std::optional<std::string> TFileLookup::Find(const std::string&) { return {}; }
std::optional<std::string> TFileLookup::FindFile(const std::string&) { return {}; }
bool IsRegularFile(const std::string&) { return false; }
bool IsDirectory(const std::string&) { return false; }
TIniFile::TIniFile(std::string text) : FText(std::move(text)) {}
TIniFile TIniFile::Load(const std::string&) { return {}; }
std::string TIniFile::ReadString(std::string_view, std::string_view, const std::string& d) const { return d; }
int32_t TIniFile::ReadInteger(std::string_view, std::string_view, int32_t d) const { return d; }
bool TIniFile::ReadBool(std::string_view, std::string_view, bool d) const { return d; }
void TIniFile::WriteString(std::string_view, std::string_view, std::string_view) {}
void TIniFile::SaveTo(const std::string&) const {}
std::string ListFilePath(const TPaths& p) { return p.ExeDir + "ludra.ini"; }
void EnsureListFile(const std::string&) {}
TListFile::TListFile(std::string path) : FPath(std::move(path)) {}
void TListFile::WriteString(std::string_view, std::string_view, std::string_view) {}
void TListFile::WriteInteger(std::string_view, std::string_view, int32_t) {}
void TListFile::WriteBool(std::string_view, std::string_view, bool) {}
std::string IncludeTrailingBackslash(const std::string& p) { return p.empty() || p.back() != '\\' ? p + "\\" : p; }
std::vector<std::string> LoadGames(const TPaths&, TGameList& g, std::string& r, std::vector<TAuditNote>*) { g.clear(); r = "Roms\\"; return {}; }
std::string DerivePreview(const std::string& r) { auto d = r.find('.'); return d == std::string::npos ? "jpg" : r.substr(0, d + 1) + "jpg"; }
