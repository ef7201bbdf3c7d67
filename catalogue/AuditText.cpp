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
  return AuditNoteMessage(romPath, note, workDir).English();
}

TMessage AuditNoteMessage(std::string_view romPath, const TAuditNote& note,
                          const std::string& workDir) {
  const std::string archive = ShownPath(AuditedPath(romPath, note, workDir), workDir);
  switch (note.Reason) {
    case TAuditNote::Ok:
      if (note.Found.empty())
        return TMessage::Template(
            QT_TRANSLATE_NOOP("Message", "archive found: %1; no files are listed for it"),
            {archive});
      return TMessage::Template(
          QT_TRANSLATE_NOOP("Message", "archive found: %1; it holds the expected file %2"),
          {archive, note.Found});
    case TAuditNote::ArchiveMissing:
      return TMessage::Template(QT_TRANSLATE_NOOP("Message", "archive not found: %1"), {archive});
    case TAuditNote::NoExpectedFile: {
      std::string expected;
      for (std::size_t i = 0; i < note.Expected.size(); ++i) {
        if (i == kShownNames) {
          expected += ", ...";
          break;
        }
        expected += (i ? ", " : "") + note.Expected[i];
      }
      return TMessage::Template(
          QT_TRANSLATE_NOOP("Message", "none of the expected files is in %1; expected: %2"),
          {archive, expected});
    }
    case TAuditNote::DirectoryUnreadable:
      return TMessage::Template(
          QT_TRANSLATE_NOOP("Message",
                            "warning: available only because the archive exists; its directory "
                            "could not be read: %1"),
          {archive});
  }
  return {};
}
