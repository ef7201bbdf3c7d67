#pragma once
// Why a game came out of the audit as it did, in words: one text for ludra-audit --missing and
// for the game list's tooltip.
#include <string>
#include <string_view>

#include "catalogue/Games.h"
#include "fileio/Message.h"

// The native path of the archive looked at (or found) for the game stored at `romPath`.
std::string AuditedPath(std::string_view romPath, const TAuditNote& note,
                        const std::string& workDir);

// `workDir` (ending in '/') shortens a path inside the working directory to the relative form a
// user would type there.
std::string AuditNoteText(std::string_view romPath, const TAuditNote& note,
                          const std::string& workDir);
// The same as a template, which the window translates.
TMessage AuditNoteMessage(std::string_view romPath, const TAuditNote& note,
                          const std::string& workDir);

// The missing and wrong files of `note` (its `Bad`), at most eight of them: "sfe-05m, sfe-06m",
// or with wrong ones among them "sfe-05m (missing), sfe-06m (wrong CRC: ... expected, ...
// found)". Paths are shown as AuditNoteText shows them.
TMessage BadFilesMessage(const TAuditNote& note, const std::string& workDir);
