#include "DesktopEntry.h"

#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "AtomicFile.h"
#include "CommandLine.h"
#include "EmulatorFolder.h"
#include "Errors.h"
#include "Games.h"
#include "ListFile.h"
#include "Places.h"

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

// The file name: one per game and emulator's folder, the same on every run, whatever the title
// holds: the game's number and a short digest of the folder ("ludra-rom12-0a1b2c3d.desktop").
// Titles would not do: names that differ only in case or punctuation would share one file, and
// a long one would pass the file system's limit.
std::string EntryName(const std::string& folder, int number) {
  char real[PATH_MAX];
  const std::string canonical = ::realpath(folder.c_str(), real) ? real : folder;
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (unsigned char c : canonical) hash = (hash ^ c) * 1099511628211ull;
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

bool HasControl(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7f) return true;
  return false;
}

}  // namespace

int WriteGameDesktopEntry(const TPaths& paths, bool installed, const std::string& exe,
                          const std::string& dataHome, int number) {
  try {
    if (!CheckGameNumber(paths, number)) return 2;
    const TListFile list(ListFilePath(paths));
    const std::string section = "Rom" + std::to_string(number);
    const std::string title = list.ReadString(section, "Game", "");
    const std::string preview =
        list.ReadString(section, "Preview", DerivePreview(list.ReadString(section, "Romname", "")));

    for (const std::string& path : {exe, paths.ExeDir, paths.WorkDir})
      if (HasControl(path))
        throw EFCreateError(path, "Cannot name \"" + path + "\" in a desktop entry.");

    std::string exec = ExecArgument(exe);
    if (installed) exec += " --emulator-dir " + ExecArgument(paths.ExeDir);
    exec += " --run " + std::to_string(number);

    TFileLookup lookup;
    const auto shot = lookup.FindFile(AbsolutePath(paths.WorkDir, "Shots\\" + preview));
    std::string comment = list.ReadString(section, "Company", "");
    const std::string year = list.ReadString(section, "Year", "");
    if (!year.empty()) comment += (comment.empty() ? "" : ", ") + year;
    if (comment.empty()) comment = "Arcade game";

    std::string text = "[Desktop Entry]\nType=Application\n";
    text += "Name=" + EntryString(title) + "\n";
    text += "Comment=" + EntryString(comment) + "\n";
    text += "Exec=" + exec + "\n";
    // The ROM folder and "tavi.exe" are found from the working directory, as in the window.
    text += "Path=" + EntryString(paths.WorkDir) + "\n";
    text += "Icon=" + EntryString(shot ? *shot : std::string(kAppId)) + "\n";
    text += "Terminal=false\nCategories=Game;ArcadeGame;\n";

    const std::string dir = WithSlash(dataHome) + "applications/";
    MakeFolders(dir, 0755);
    const std::string name = EntryName(paths.ExeDir, number);
    const std::string file = dir + name;
    WriteFileAtomic(file, text);
    // An entry of this same game written under its old name would be a second menu item: it goes
    // when it starts exactly what the new one starts. Another game's entry there stays.
    if (const std::string old = TitleEntryName(title);
        !old.empty() && old != name && old.size() < NAME_MAX) {
      std::string bytes;
      try {
        if (ReadWholeFile(dir + old, bytes, 64 << 10) &&
            bytes.find("\nExec=" + exec + "\n") != std::string::npos)
          ::unlink((dir + old).c_str());
      } catch (const EFileError&) {
        // not ours to judge: left alone
      }
    }
    std::printf("%s\n", file.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ludra: %s\n", e.what());
    return 1;
  }
  return 0;
}
