#include "AuditText.h"

namespace {
constexpr std::size_t kShownNames = 8;  // a long Files value would make the line unreadable

// `path` relative to `workDir` when it lies inside it, else unchanged.
std::string ShownPath(const std::string& path, const std::string& workDir) {
  if (workDir.empty() || path.size() <= workDir.size() || path.compare(0, workDir.size(), workDir))
    return path;
  return path.substr(workDir.size());
}
}  // namespace

std::string AuditedPath(std::string_view romPath, const TAuditNote& note,
                        const std::string& workDir) {
  if (!note.ArchivePath.empty()) return note.ArchivePath;
  std::string path;
  AssignAbsolutePath(path, workDir, romPath);
  return path;
}

std::string AuditNoteText(std::string_view romPath, const TAuditNote& note,
                          const std::string& workDir) {
  const std::string archive = ShownPath(AuditedPath(romPath, note, workDir), workDir);
  switch (note.Reason) {
    case TAuditNote::Ok:
      if (note.Found.empty()) return "archive found: " + archive + "; no files are listed for it";
      return "archive found: " + archive + "; it holds the expected file " + note.Found;
    case TAuditNote::ArchiveMissing:
      return "archive not found: " + archive;
    case TAuditNote::NoExpectedFile: {
      std::string text = "none of the expected files is in " + archive + "; expected: ";
      for (std::size_t i = 0; i < note.Expected.size(); ++i) {
        if (i == kShownNames) {
          text += ", ...";
          break;
        }
        text += (i ? ", " : "") + note.Expected[i];
      }
      return text;
    }
    case TAuditNote::DirectoryUnreadable:
      return "warning: available only because the archive exists; its directory could not be "
             "read: " +
             archive;
  }
  return {};
}
