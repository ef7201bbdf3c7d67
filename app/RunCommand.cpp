#include "app/RunCommand.h"

#include <unistd.h>

#include <cstdio>
#include <exception>
#include <memory>

#include "app/CommandLine.h"
#include "app/Notification.h"
#include "catalogue/AuditEngine.h"
#include "catalogue/AuditText.h"
#include "catalogue/Dat.h"
#include "catalogue/ListFile.h"
#include "fileio/Errors.h"
#include "launch/Launcher.h"
#include "launch/RunReport.h"

namespace {

// What the archive of game `number` lacks when the audit finds the game incomplete, a likely
// cause of a quick failure ("cannot find sfe-05m"); nothing otherwise, or when the audit itself
// fails (the failure is reported all the same). Checked against the ROM list beside the list
// file, as the window's audit does.
TMessage MissingRoms(const TPaths& paths, int number) {
  try {
    const TListFile list(ListFilePath(paths));
    std::optional<TDat> dat;
    if (const std::string datPath = DatPathBeside(list.Path()); DatIsThere(datPath)) {
      try {
        dat = ReadDat(datPath);
      } catch (const EFileError&) {
        // without it, as the window's audit goes on without it
      }
    }
    TAuditOptions options;
    options.Dat = dat ? &*dat : nullptr;
    std::string romDir;
    TMessage roms;
    int n = 0;
    AuditGames(
        list.Ini(), paths.WorkDir, romDir, true,
        [&](const TGameView& game, TAuditNote* note) {
          if (++n == number && note && note->Reason == TAuditNote::Incomplete)
            roms = AuditNoteMessage(game.RomPath, *note, paths.WorkDir);
        },
        &options);
    return roms;
  } catch (const std::exception&) {
    return {};
  }
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

}  // namespace

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
  const TMessage roms = MissingRoms(paths, number);
  std::string text = QuickFailureText(run);
  if (!roms.IsEmpty()) text += "Its ROM files are incomplete: " + roms.English() + "\n";
  std::fprintf(stderr, "ludra: %s", text.c_str());
  // Started from a desktop entry, nobody reads stderr.
  if (!::isatty(STDERR_FILENO)) NotifyDesktop(run, roms);
  return 1;
}
