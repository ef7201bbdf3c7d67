#include "app/WindowEmulatorFolder.h"

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <exception>

#include "fileio/PathLookup.h"

QString EmulatorFolderPrompt() {
  return QApplication::translate("Start", "Choose the emulator's folder");
}

QString EmulatorFolderNeeded() {
  return QApplication::translate(
      "Start",
      "Ludra needs the emulator's folder: the folder that holds tavi.exe, where Ludra keeps its "
      "game list and finds the renderer plug-ins. Start Ludra again and choose that folder, or "
      "start it with --emulator-dir DIR.");
}

QString LostEmulatorFolder(const std::string& folder) {
  const QString name = QString::fromStdString(folder);
  if (!IsDirectory(folder))
    return QApplication::translate("Start",
                                   "The emulator's folder of the last run, \"%1\", no longer "
                                   "exists. Choose the folder that holds tavi.exe.")
        .arg(name);
  return QApplication::translate("Start",
                                 "The emulator's folder of the last run, \"%1\", no longer holds "
                                 "tavi.exe. Choose the folder that holds it.")
      .arg(name);
}

std::optional<std::string> WindowEmulatorFolder(const std::optional<std::string>& found,
                                                IFolderChooser& chooser,
                                                const TEmulatorFolder& folders, bool choose) {
  std::string path;
  if (found && !choose) {
    path = *found;
  } else {
    QString start = QDir::homePath();
    if (found) {
      start = QString::fromStdString(*found);
    } else if (const auto lost = folders.RememberedPath()) {
      chooser.Tell(nullptr, LostEmulatorFolder(*lost));
      start = QString::fromStdString(NearestFolder(*lost));
    }
    for (;;) {
      const auto folder = chooser.ChooseFolder(nullptr, EmulatorFolderPrompt(), start);
      if (!folder) {
        if (!found) return std::nullopt;
        path = *found;
        break;
      }
      path = QDir(*folder).absolutePath().toStdString();
      if (path.empty() || path.back() != '/') path += '/';
      if (HoldsEmulator(path)) break;
      chooser.Tell(nullptr, QApplication::translate("Start",
                                                    "\"%1\" does not hold tavi.exe. Choose the "
                                                    "folder that holds tavi.exe.")
                                .arg(QString::fromStdString(path)));
      start = *folder;
    }
  }
  try {
    if (folders.RememberedPath() != path) folders.Remember(path);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ludra: %s\n", e.what());  // the next run asks again
  }
  return path;
}
