#pragma once
// The shell's folder chooser behind an interface, so tests can answer in its place.
#include <QString>
#include <optional>
#include <string>

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

// The folder the user picked (absolute, ending in '/'), or nothing when the user cancelled.
std::optional<std::string> AskEmulatorFolder(IFolderChooser& chooser);
