#include "app/Program.h"

#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include "app/DesktopEntry.h"
#include "app/RunCommand.h"
#include "app/WindowEmulatorFolder.h"
#include "fileio/Errors.h"
#include "launch/LogKeeper.h"
#include "launch/RunReport.h"

namespace {

int Fail(const std::exception& e, int code) {
  std::fprintf(stderr, "ludra: %s\n", e.what());
  return code;
}

// Where this run keeps its files. A portable copy: the process's own paths (and --emulator-dir
// is refused, with EFOpenError). An installed program: the emulator's folder when it is known
// without asking, else nothing. Raises EFOpenError for a bad folder.
void FindPaths(TStart& start, const TPaths& process) {
  const TCommandLine& options = start.Options;
  if (!start.Installed) {
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
    return;
  }
  if (auto folder = start.Folders.Find(options.EmulatorDir, process.WorkDir))
    start.Paths = PathsInFolder(*folder);
}

// Makes `paths.WorkDir` the process's working directory; raises EFOpenError naming it.
void EnterFolder(const TPaths& paths) {
  if (::chdir(paths.WorkDir.c_str()) != 0)
    throw EFOpenError(paths.WorkDir,
                      "Cannot enter \"" + paths.WorkDir + "\": " + SysErrorMessage(errno) + ".");
}

}  // namespace

std::optional<int> RunWithoutWindow(int argc, char** argv, TStart& start) {
  // Ludra's own executable keeps each emulator's output, so a copy of it runs alone too.
  if (argc == 2 && std::strcmp(argv[1], kKeepLogArgument) == 0) return RunLogKeeper();
  if (const auto done = ParseCommandLine(argc, argv, start.Options)) return *done;

  const TPaths process = ProcessPaths();
  start.Installed = IsInstalledProgram(process.ExeDir);
  try {
    FindPaths(start, process);
  } catch (const std::exception& e) {
    return Fail(e, 2);
  }
  if (start.Options.Mode == TCommandLine::Window) return std::nullopt;

  if (!start.Paths) {
    if (const auto lost = start.Folders.RememberedPath())
      std::fprintf(stderr, "ludra: the emulator's folder of the last run, \"%s\", %s.\n",
                   lost->c_str(),
                   IsDirectory(*lost) ? "no longer holds tavi.exe" : "no longer exists");
    std::fprintf(stderr,
                 "ludra: which emulator's folder? Give it with --emulator-dir DIR, or start "
                 "in the folder that holds tavi.exe.\n");
    return 1;
  }
  try {
    if (start.Installed) EnterFolder(*start.Paths);
  } catch (const std::exception& e) {
    return Fail(e, 1);
  }
  if (start.Options.Mode == TCommandLine::Run)
    return RunGame(*start.Paths, start.Options.Game, ProgramRunOptions(nullptr),
                   kQuickFailureWindow);
  return WriteGameDesktopEntry(*start.Paths, start.Installed, ExecutablePath(), UserDataDir(),
                               start.Options.Game);
}

std::optional<TPaths> WindowPaths(const TStart& start) {
  if (!start.Installed) return start.Paths;
  TDialogFolderChooser chooser;
  const auto folder = WindowEmulatorFolder(
      start.Paths ? std::optional<std::string>(start.Paths->ExeDir) : std::nullopt, chooser,
      start.Folders, start.Options.ChooseEmulatorDir);
  if (!folder) {
    const QString message = EmulatorFolderNeeded();
    std::fprintf(stderr, "ludra: %s\n", message.toLocal8Bit().constData());
    QMessageBox::information(nullptr, QApplication::translate("Guard", "Ludra"), message);
    return std::nullopt;
  }
  const TPaths paths = PathsInFolder(*folder);
  try {
    EnterFolder(paths);
  } catch (const std::exception& e) {
    Fail(e, 1);
    return std::nullopt;
  }
  return paths;
}

TRunOptions ProgramRunOptions(IRunWatcher* watcher) {
  TRunOptions options;
  options.LogDir = UserStateDir();
  options.Keeper = {ExecutableToStart(), kKeepLogArgument};
  options.Watcher = watcher;
  return options;
}
