#pragma once
// The shell's folder chooser behind an interface, so tests can answer in its place.
#include <QString>
#include <optional>
#include <string>

#include "catalogue/EmulatorFolder.h"

class QWidget;

class IFolderChooser {
 public:
  virtual ~IFolderChooser() = default;
  // The chosen folder as the chooser returns it, or nothing when the user cancels. The chooser
  // opens at `start`.
  virtual std::optional<QString> ChooseFolder(QWidget* parent, const QString& prompt,
                                              const QString& start) = 0;
  // Says why the chooser comes (again), before it does.
  virtual void Tell(QWidget* parent, const QString& message) = 0;
  // A file to write, or nothing when the user cancels: the platform's save dialog, opened at
  // `start`, offering `filter`.
  virtual std::optional<QString> ChooseSaveFile(QWidget* parent, const QString& caption,
                                                const QString& start, const QString& filter);
};

// The platform's directory dialog, folders only, and a message box.
class TDialogFolderChooser : public IFolderChooser {
 public:
  std::optional<QString> ChooseFolder(QWidget* parent, const QString& prompt,
                                      const QString& start) override;
  void Tell(QWidget* parent, const QString& message) override;
};

// An installed program that knows no emulator's folder asks for one at start, with this title.
QString EmulatorFolderPrompt();
// What the program says when the user cancels that question, before it ends.
QString EmulatorFolderNeeded();
// Why the emulator's folder of the last run is no longer used: gone, or without "tavi.exe".
QString LostEmulatorFolder(const std::string& folder);

// The emulator's folder of an installed program's window: `found` (known without asking), else
// the folder the user picks (absolute, ending in '/'); nothing when the user cancels. Only a folder
// holding "tavi.exe" is taken: the user is told and asked again. `choose` asks also when a folder
// is found (the user wants another), and cancelling keeps the found one. The chooser opens at the
// found folder, else near the lost one of the last run (which the user is told about first), else
// at the home folder. The folder is remembered for the next run; when that fails, stderr says why
// and this run goes on.
std::optional<std::string> WindowEmulatorFolder(const std::optional<std::string>& found,
                                                IFolderChooser& chooser,
                                                const TEmulatorFolder& folders,
                                                bool choose = false);
