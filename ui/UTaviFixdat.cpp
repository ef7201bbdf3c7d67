// The main window's fixdat command: the missing and wrong files of the last audit as a ROM list
// that a ROM manager fetches or rebuilds.
#include "catalogue/FixDat.h"
#include "catalogue/ListFile.h"
#include "fileio/AtomicFile.h"
#include "ui/FolderChooser.h"
#include "ui/GameListModel.h"
#include "ui/UTavi.h"

void TfrmMain::mnuFixdatClick() {
  Command([this] {
    if (!mnuFixdat->isEnabled()) return;
    TFixDat fix("fix_ludra", "Missing and wrong files of the catalogue in " + ListFilePath(FPaths) +
                                 (FDatPath.empty() ? std::string() : " against " + FDatPath));
    for (int p = 0; p < static_cast<int>(Games().size()); ++p)
      if (const TAuditNote* note = FModel->Note(p))
        fix.Add(Games()[static_cast<size_t>(p)].RomPath, Games()[static_cast<size_t>(p)].Game,
                *note);
    if (fix.Games() == 0) {
      // Files without a size (there is no DAT) cannot go into a ROM list: not "none missing".
      FSeams.Chooser->Tell(this, fix.LeftOut()
                                     ? tr("The last audit found %n missing or wrong files, but "
                                          "without a DAT their sizes are unknown, and a fixdat "
                                          "needs them.",
                                          nullptr, static_cast<int>(fix.LeftOut()))
                                     : tr("The last audit found no missing or wrong files."));
      return;
    }
    const std::optional<QString> file = FSeams.Chooser->ChooseSaveFile(
        this, tr("Save Fixdat"), QString::fromStdString(FPaths.WorkDir + "fixdat.xml"),
        tr("ROM lists (*.xml *.dat);;All files (*)"));
    if (file) WriteFileAtomic(file->toStdString(), fix.Text());
  });
}
