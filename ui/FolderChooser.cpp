#include "FolderChooser.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <cstdio>
#include <exception>

std::optional<QString> TDialogFolderChooser::ChooseFolder(QWidget* parent, const QString& prompt) {
  const QString folder = QFileDialog::getExistingDirectory(parent, prompt, QDir::rootPath(),
                                                           QFileDialog::ShowDirsOnly);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

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

std::optional<std::string> WindowEmulatorFolder(const std::optional<std::string>& found,
                                                IFolderChooser& chooser,
                                                const TEmulatorFolder& folders) {
  std::string path;
  if (found) {
    path = *found;
  } else {
    const auto folder = chooser.ChooseFolder(nullptr, EmulatorFolderPrompt());
    if (!folder) return std::nullopt;
    path = QDir(*folder).absolutePath().toStdString();
    if (path.empty() || path.back() != '/') path += '/';
  }
  try {
    if (folders.Remembered() != path) folders.Remember(path);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ludra: %s\n", e.what());  // the next run asks again
  }
  return path;
}
