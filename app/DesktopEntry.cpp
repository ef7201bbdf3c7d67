#include "app/DesktopEntry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string_view>

#include "app/CommandLine.h"
#include "app/Places.h"
#include "catalogue/Games.h"
#include "catalogue/ListFile.h"
#include "fileio/AtomicFile.h"
#include "fileio/Errors.h"
#include "fileio/FileDescriptor.h"
#include "fileio/Folders.h"

namespace {

std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

// Desktop entry values: a string with the escapes the format knows.
std::string EntryString(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\t')
      out += "\\t";
    else if (c == ' ' && i == 0)
      out += "\\s";
    else if (static_cast<unsigned char>(c) < 0x20)
      out += ' ';
    else
      out += c;
  }
  return out;
}

// One argument of Exec, quoted; the quoting's own escapes come before the string's.
std::string ExecArgument(const std::string& arg) {
  std::string quoted = "\"";
  for (char c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  return EntryString(quoted + "\"");
}

std::string Canonical(const std::string& folder) {
  char real[PATH_MAX];
  return ::realpath(folder.c_str(), real) ? real : folder;
}

// The file name: one per game and emulator's folder, the same on every run, whatever the title
// holds: the game's number and a short digest of the folders ("ludra-rom12-0a1b2c3d.desktop").
// Titles would not do: names that differ only in case or punctuation would share one file, and
// a long one would pass the file system's limit. The digest covers the list file's folder and,
// for a copy started elsewhere, the emulator's too, so that one copy serving two emulator's
// folders writes two entries.
std::string EntryName(const TPaths& paths, int number) {
  std::string folders = Canonical(paths.ExeDir);
  if (const std::string work = Canonical(paths.WorkDir); work != folders) folders += "\n" + work;
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (unsigned char c : folders) hash = (hash ^ c) * 1099511628211ull;
  char digest[9];
  std::snprintf(digest, sizeof digest, "%08x", static_cast<unsigned>(hash ^ (hash >> 32)));
  return "ludra-rom" + std::to_string(number) + "-" + digest + ".desktop";
}

// The name earlier versions gave the entry: the title in lower-case letters and digits.
std::string TitleEntryName(const std::string& title) {
  std::string slug;
  for (unsigned char c : title) {
    if (std::isalnum(c) && c < 0x80) {
      slug += static_cast<char>(std::tolower(c));
    } else if (!slug.empty() && slug.back() != '-') {
      slug += '-';
    }
  }
  while (!slug.empty() && slug.back() == '-') slug.pop_back();
  return slug.empty() ? "" : "ludra-" + slug + ".desktop";
}

// The key that marks an entry as Ludra's, its value the entry's name without ".desktop" (the game
// and the emulator's folder): only a regular file that carries the mark with that value is ever
// replaced or removed. A user's own file, a link (never followed), a named pipe or a folder at
// the name is left alone.
constexpr std::string_view kMark = "X-Ludra-Game=";

std::string MarkValue(const std::string& name) {
  return name.substr(0, name.size() - std::string_view(".desktop").size());
}

enum class TAtName { Nothing, Ours, Theirs };

TAtName WhatIsAt(const std::string& path, const std::string& mark) {
  const TFd file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!file.IsOpen()) return errno == ENOENT ? TAtName::Nothing : TAtName::Theirs;
  struct stat st;
  constexpr std::size_t kLargest = 64 << 10;  // far more than an entry of Ludra's takes
  if (::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<std::size_t>(st.st_size) > kLargest)
    return TAtName::Theirs;
  std::string text(kLargest, '\0');
  const ssize_t n = ReadFull(file.Get(), text.data(), text.size());
  if (n < 0) return TAtName::Theirs;
  text.resize(static_cast<std::size_t>(n));
  const std::string line = std::string("\n").append(kMark).append(mark).append("\n");
  return ("\n" + text).find(line) != std::string::npos ? TAtName::Ours : TAtName::Theirs;
}

bool HasControl(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7f) return true;
  return false;
}

}  // namespace

int WriteGameDesktopEntry(const TPaths& paths, bool installed, const std::string& exe,
                          const std::string& dataHome, int number) {
  try {
    // An entry that could only fail: refused, as --run refuses to start without the emulator.
    TFileLookup lookup;
    if (const std::string emulator = paths.WorkDir + "tavi.exe"; !lookup.FindFile(emulator))
      throw EFOpenError(emulator, "Cannot write a desktop entry for game " +
                                      std::to_string(number) + ": \"" + emulator +
                                      "\" does not exist; the entry starts it from there.");
    if (!CheckGameNumber(paths, number)) return 2;
    const TListFile list(ListFilePath(paths));
    const std::string section = "Rom" + std::to_string(number);
    const std::string title = list.ReadString(section, "Game", "");
    const std::string preview =
        list.ReadString(section, "Preview", DerivePreview(list.ReadString(section, "Romname", "")));

    for (const std::string& path : {exe, paths.ExeDir, paths.WorkDir})
      if (HasControl(path))
        throw EFCreateError(path, "Cannot name \"" + path + "\" in a desktop entry.");

    // GLib's launcher looks the program up before it expands "%%", so a program path with "%"
    // would never be found and the entry not even listed: env, which every launcher finds, starts
    // it instead once "%%" has become "%".
    std::string exec = (exe.find('%') != std::string::npos ? "env " : "") + ExecArgument(exe);
    if (installed) exec += " --emulator-dir " + ExecArgument(paths.ExeDir);
    exec += " --run " + std::to_string(number);

    const auto shot = lookup.FindFile(AbsolutePath(paths.WorkDir, "Shots\\" + preview));
    std::string comment = list.ReadString(section, "Company", "");
    const std::string year = list.ReadString(section, "Year", "");
    if (!year.empty()) comment += (comment.empty() ? "" : ", ") + year;
    if (comment.empty()) comment = "Arcade game";

    std::string text = "[Desktop Entry]\nType=Application\n";
    text += "Name=" + EntryString(title) + "\n";
    text += "Comment=" + EntryString(comment) + "\n";
    text += "Exec=" + exec + "\n";
    // A menu that finds the program gone (removed, moved) hides the entry.
    text += "TryExec=" + EntryString(exe) + "\n";
    // The ROM folder and "tavi.exe" are found from the working directory, as in the window.
    text += "Path=" + EntryString(paths.WorkDir) + "\n";
    text += "Icon=" + EntryString(shot ? *shot : std::string(kAppId)) + "\n";
    text += "Terminal=false\nCategories=Game;ArcadeGame;\n";

    const std::string dir = WithSlash(dataHome) + "applications/";
    MakeFolders(dir, 0755);
    const std::string name = EntryName(paths, number);
    const std::string mark = MarkValue(name);
    text += std::string(kMark) + mark + "\n";
    const std::string file = dir + name;
    if (WhatIsAt(file, mark) == TAtName::Theirs)
      throw EFCreateError(file, "Cannot write \"" + file +
                                    "\": something that is no entry of Ludra's is there (a file "
                                    "of yours, a link, a folder); it is left as it is.");
    // A new file renamed over the name: nothing there is written through.
    WriteFileAtomic(file, text);
    // This game's entry under the title's name that Ludra gave it before would be a second menu
    // item; it goes when it is Ludra's own entry of this game. Anything else there stays.
    if (const std::string old = TitleEntryName(title); !old.empty() && old != name &&
                                                       old.size() < NAME_MAX &&
                                                       WhatIsAt(dir + old, mark) == TAtName::Ours)
      ::unlink((dir + old).c_str());
    std::printf("%s\n", file.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ludra: %s\n", e.what());
    return 1;
  }
  return 0;
}
