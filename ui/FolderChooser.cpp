#include "ui/FolderChooser.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

std::optional<QString> TDialogFolderChooser::ChooseFolder(QWidget* parent, const QString& prompt,
                                                          const QString& start) {
  const QString folder =
      QFileDialog::getExistingDirectory(parent, prompt, start, QFileDialog::ShowDirsOnly);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

std::optional<QString> IFolderChooser::ChooseSaveFile(QWidget* parent, const QString& caption,
                                                      const QString& start, const QString& filter) {
  const QString file = QFileDialog::getSaveFileName(parent, caption, start, filter);
  if (file.isEmpty()) return std::nullopt;
  return file;
}

void TDialogFolderChooser::Tell(QWidget* parent, const QString& message) {
  QMessageBox::information(parent, QApplication::translate("Guard", "Ludra"), message);
}
