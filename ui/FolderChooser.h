#pragma once
// The shell's folder chooser behind an interface, so tests can answer in its place.
#include <QString>
#include <optional>
#include <string>

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
