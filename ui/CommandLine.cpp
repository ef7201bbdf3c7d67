// The command line: options, the emulator's folder, and the commands that need no window.
#include "CommandLine.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string_view>

#include "AtomicFile.h"
#include "Errors.h"
#include "Games.h"
#include "Launcher.h"
#include "ListFile.h"
#include "RunReport.h"
#include "Shell.h"
#include "Translations.h"

namespace {

// In the user's language for --help; in English after a bad argument, with the English message.
const char* const kUsage = QT_TRANSLATE_NOOP(
    "CommandLine",
    "usage: ludra [--emulator-dir DIR | --choose-emulator-dir] [--run N | --desktop-entry N]\n"
    "Ludra: the game list, settings and start of the arcade emulator tavi.exe.\n"
    "\n"
    "  --emulator-dir DIR  the emulator's folder, for an installed Ludra (default: the working\n"
    "                      directory when it holds tavi.exe, else the folder of the last run,\n"
    "                      else the folder chosen at start); it must hold tavi.exe\n"
    "  --choose-emulator-dir  choose the emulator's folder anew, then open the window\n"
    "  --run N             start game N (section Rom<N> of ludra.ini) as a double click does,\n"
    "                      without a window, and watch it for 10 seconds; exit 0 running or\n"
    "                      ended cleanly, 1 failed to start or failed within them, 2 no such game\n"
    "  --desktop-entry N   write a desktop entry that starts game N, and print its path\n"
    "  --version           print the version\n"
    "  --help              print this help\n");

int BadArguments(const std::string& message) {
  std::fprintf(stderr, "ludra: %s\n%s", message.c_str(), kUsage);
  return 2;
}

// A game number as typed: decimal digits only, 1 or more.
std::optional<int> GameNumber(std::string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n >= 1 ? std::optional<int>(n) : std::nullopt;
}

std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

// The number of games the window would list: sections Rom1, Rom2, ... up to the first without
// a title.
int GameCount(const TListFile& list) {
  int n = 0;
  while (!list.ReadString("Rom" + std::to_string(n + 1), "Game", "").empty()) ++n;
  return n;
}

// Reads the list file as the window's audit does (creating it when missing) and checks that
// game `number` is one of its games; false (with the reason on stderr) when it is not.
bool CheckGameNumber(const TPaths& paths, int number) {
  const std::string path = ListFilePath(paths);
  EnsureListFile(path);
  const int count = GameCount(TListFile(path));
  if (number <= count) return true;
  std::fprintf(stderr, "ludra: there is no game %d in \"%s\", which lists %d games.\n", number,
               path.c_str(), count);
  return false;
}

// The shell's failure message goes to stderr, and the run ends in failure.
class TStderrReporter : public IShellReporter {
 public:
  bool Failed = false;
  void ShellError(const std::string& message) override {
    Failed = true;
    std::fprintf(stderr, "ludra: %s\n", message.c_str());
  }
};

// Keeps the one run that --run starts.
class TKeptRun : public IRunWatcher {
 public:
  std::unique_ptr<TEmulatorRun> Run;
  void Watch(std::unique_ptr<TEmulatorRun> run) override { Run = std::move(run); }
};

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

std::optional<int> ParseCommandLine(int argc, char** argv, TCommandLine& options) {
  bool dashed = false;  // a toolkit option: fine for the window, not for the other commands
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    // "--name VALUE" or "--name=VALUE".
    auto is = [&](const std::string& name) { return arg == name || arg.rfind(name + "=", 0) == 0; };
    auto value = [&](const std::string& name) -> std::optional<std::string> {
      if (arg != name) return arg.substr(name.size() + 1);
      if (i + 1 < argc) return std::string(argv[++i]);
      return std::nullopt;
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(TranslatedBeforeStart("CommandLine", kUsage).toLocal8Bit().constData(), stdout);
      return 0;
    } else if (arg == "--version") {
      std::printf("ludra %s\n", LUDRA_VERSION);
      return 0;
    } else if (is("--emulator-dir")) {
      const auto dir = value("--emulator-dir");
      if (!dir || dir->empty()) return BadArguments("--emulator-dir needs a folder");
      options.EmulatorDir = *dir;
    } else if (arg == "--choose-emulator-dir") {
      options.ChooseEmulatorDir = true;
    } else if (is("--run") || is("--desktop-entry")) {
      const bool run = is("--run");
      const std::string name = run ? "--run" : "--desktop-entry";
      const auto text = value(name);
      if (!text) return BadArguments(name + " needs a game number");
      const auto number = GameNumber(*text);
      if (!number) return BadArguments("\"" + *text + "\" is not a game number (1, 2, ...)");
      if (options.Mode != TCommandLine::Window)
        return BadArguments("--run and --desktop-entry go alone");
      options.Mode = run ? TCommandLine::Run : TCommandLine::DesktopEntry;
      options.Game = *number;
    } else if (arg.size() > 1 && arg[0] == '-' && arg[1] != '-') {
      dashed = true;
      // The toolkit's options with a value: keep the value with its option.
      static const char* const withValue[] = {
          "-platform",     "-platformpluginpath", "-platformtheme", "-plugin",   "-qwindowgeometry",
          "-qwindowtitle", "-qwindowicon",        "-display",       "-geometry", "-style",
          "-stylesheet"};
      for (const char* name : withValue)
        if (arg == name && i + 1 < argc) ++i;
    } else {
      return BadArguments("unknown argument \"" + arg + "\"");
    }
  }
  if (dashed && options.Mode != TCommandLine::Window)
    return BadArguments("the toolkit's options are for the window only");
  if (options.ChooseEmulatorDir &&
      (options.Mode != TCommandLine::Window || !options.EmulatorDir.empty()))
    return BadArguments("--choose-emulator-dir opens the window, and goes without --emulator-dir");
  return std::nullopt;
}

TStart StartPaths(const TCommandLine& options, const TPaths& process, bool installed,
                  const TEmulatorFolder& folders) {
  TStart start;
  start.Installed = installed;
  if (!installed) {
    if (options.ChooseEmulatorDir)
      throw EFOpenError(process.ExeDir,
                        "--choose-emulator-dir is for an installed Ludra; this copy uses its own "
                        "folder, \"" +
                            process.ExeDir + "\".");
    if (!options.EmulatorDir.empty())
      throw EFOpenError(options.EmulatorDir,
                        "--emulator-dir is for an installed Ludra; this copy uses its own "
                        "folder, \"" +
                            process.ExeDir + "\".");
    start.Paths = process;
    return start;
  }
  if (auto folder = folders.Find(options.EmulatorDir, process.WorkDir))
    start.Paths = PathsInFolder(*folder);
  return start;
}

void EnterFolder(const TPaths& paths) {
  if (::chdir(paths.WorkDir.c_str()) != 0)
    throw EFOpenError(paths.WorkDir,
                      "Cannot enter \"" + paths.WorkDir + "\": " + SysErrorMessage(errno) + ".");
}

int RunGame(const TPaths& paths, int number, TRunOptions options,
            std::chrono::milliseconds window) {
  TStderrReporter reporter;
  TKeptRun kept;
  options.Watcher = &kept;
  TProcessShell shell(paths, &reporter, options);
  TLauncher launcher(paths, shell);
  try {
    if (!CheckGameNumber(paths, number)) return 2;
    // As at the window's start: the plug-ins first, so the game's renderer index names one.
    launcher.DiscoverRenderers();
    launcher.PlayGame(number - 1);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ludra: %s\n", e.what());
    return 1;
  }
  if (reporter.Failed || !kept.Run) return 1;
  // An emulator still running after the window is left to run; one that ended just before its
  // close gets a moment for the rest of its output to reach the log.
  TEmulatorRun& run = *kept.Run;
  if (!run.WaitFor(window) && run.ProcessFd() < 0) run.WaitFor(std::chrono::seconds(1));
  if (!QuickFailure(run, window)) return 0;
  std::fprintf(stderr, "ludra: %s", QuickFailureText(run).c_str());
  // Started from a desktop entry, nobody reads stderr.
  if (!::isatty(STDERR_FILENO)) NotifyDesktop(run);
  return 1;
}

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

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string("ludra");
}

std::string UserDataDir() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return WithSlash(data);
  const char* home = std::getenv("HOME");
  return WithSlash(home && home[0] ? home : "/") + ".local/share/";
}
