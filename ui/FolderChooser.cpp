#include "FolderChooser.h"

#include <QDir>
#include <QFileDialog>

std::optional<QString> TDialogFolderChooser::ChooseFolder(QWidget* parent, const QString& prompt) {
  const QString folder = QFileDialog::getExistingDirectory(parent, prompt, QDir::rootPath(),
                                                           QFileDialog::ShowDirsOnly);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}
