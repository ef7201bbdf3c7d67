#pragma once
// The emulator's folder of an installed program's window: found without asking, else chosen by
// the user through the folder chooser, and remembered for the next run.
#include <QString>
#include <optional>
#include <string>

#include "app/EmulatorFolder.h"
#include "ui/FolderChooser.h"

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
