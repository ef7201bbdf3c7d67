#pragma once
// The shell's folder chooser behind an interface, so tests can answer in its place.
#include <QString>
#include <optional>
#include <string>

#include "EmulatorFolder.h"

class QWidget;

class IFolderChooser {
 public:
  virtual ~IFolderChooser() = default;
  // The chosen folder as the chooser returns it, or nothing when the user cancels.
  virtual std::optional<QString> ChooseFolder(QWidget* parent, const QString& prompt) = 0;
};

// The platform's directory dialog, folders only, starting at the top of the hierarchy.
class TDialogFolderChooser : public IFolderChooser {
 public:
  std::optional<QString> ChooseFolder(QWidget* parent, const QString& prompt) override;
};

// An installed program that knows no emulator's folder asks for one at start, with this title.
QString EmulatorFolderPrompt();
// What the program says when the user cancels that question, before it ends.
QString EmulatorFolderNeeded();

// The emulator's folder of an installed program's window: `found` (known without asking), else the
// folder the user picks (absolute, ending in '/'); nothing when the user cancels. The folder is
// remembered for the next run; when that fails, stderr says why and this run goes on.
std::optional<std::string> WindowEmulatorFolder(const std::optional<std::string>& found,
                                                IFolderChooser& chooser,
                                                const TEmulatorFolder& folders);
