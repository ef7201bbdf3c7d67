// The command line: its options, and whether the game number it names is one of the list's.
#include "app/CommandLine.h"

#include <cstdio>
#include <string_view>

#include "catalogue/ListFile.h"
#include "ui/Translations.h"

namespace {

// In the user's language for --help; in English after a bad argument, with the English message.
const char* const kUsage = QT_TRANSLATE_NOOP(
    "CommandLine",
    "usage: ludra [--emulator-dir DIR | --choose-emulator-dir] [--run N | --desktop-entry N]\n"
    "       ludra --version | --help\n"
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

// The number of games the window would list: sections Rom1, Rom2, ... up to the first without
// a title.
int GameCount(const TListFile& list) {
  int n = 0;
  while (!list.ReadString("Rom" + std::to_string(n + 1), "Game", "").empty()) ++n;
  return n;
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

bool CheckGameNumber(const TPaths& paths, int number) {
  const std::string path = ListFilePath(paths);
  EnsureListFile(path);
  const int count = GameCount(TListFile(path));
  if (number <= count) return true;
  std::fprintf(stderr, "ludra: there is no game %d in \"%s\", which lists %d games.\n", number,
               path.c_str(), count);
  return false;
}
