#include "catalogue/AuditText.h"

#include "catalogue/Dat.h"

namespace {
constexpr std::size_t kShownNames = 8;  // a long Files value would make the line unreadable

// `path` relative to `workDir` when it lies inside it, else unchanged.
std::string ShownPath(const std::string& path, const std::string& workDir) {
  if (workDir.empty() || path.size() <= workDir.size() || path.compare(0, workDir.size(), workDir))
    return path;
  return path.substr(workDir.size());
}

// "a, b, c" with at most kShownNames items, then "...".
TMessage JoinShown(const std::vector<TMessage>& items) {
  TMessage list;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i == kShownNames) return TMessage::Template("%1, ...", {list});
    list = i ? TMessage::Template("%1, %2", {list, items[i]}) : items[i];
  }
  return list;
}
}  // namespace

TMessage BadFilesMessage(const TAuditNote& note, const std::string& workDir) {
  bool allMissing = true;
  for (const TFileCheck& f : note.Bad) allMissing = allMissing && f.Status == TFileCheck::Missing;
  std::vector<TMessage> items;
  for (const TFileCheck& f : note.Bad) {
    switch (f.Status) {
      case TFileCheck::Missing:
        items.push_back(allMissing ? TMessage(f.Name)
                                   : TMessage::Template(
                                         QT_TRANSLATE_NOOP("Message", "%1 (missing)"), {f.Name}));
        break;
      case TFileCheck::WrongSize:
        items.push_back(TMessage::Template(
            QT_TRANSLATE_NOOP("Message", "%1 (wrong size: %2 expected, %3 found)"),
            {f.Name, std::to_string(f.Size), std::to_string(f.FoundSize)}));
        break;
      case TFileCheck::WrongCrc:
        items.push_back(TMessage::Template(
            QT_TRANSLATE_NOOP("Message", "%1 (wrong CRC: %2 expected, %3 found)"),
            {f.Name, CrcText(f.Crc), CrcText(f.FoundCrc)}));
        break;
      case TFileCheck::NotReadable:
        items.push_back(TMessage::Template(
            QT_TRANSLATE_NOOP("Message", "%1 (not readable: %2)"),
            {f.Name, f.Gone
                         ? TMessage::Template(QT_TRANSLATE_NOOP("Message", "archive not found: %1"),
                                              {ShownPath(f.Archive, workDir)})
                         : f.Why}));
        break;
      case TFileCheck::NotChecked:
        items.push_back(TMessage::Template(QT_TRANSLATE_NOOP("Message", "%1 (not checked: %2)"),
                                           {f.Name, f.Why}));
        break;
    }
  }
  return JoinShown(items);
}

static TMessage IncompleteMessage(const std::string& archive, const TAuditNote& note,
                                  const std::string& workDir) {
  bool allMissing = true;
  for (const TFileCheck& f : note.Bad) allMissing = allMissing && f.Status == TFileCheck::Missing;
  const std::vector<TMessage> args = {archive, std::to_string(note.Bad.size()),
                                      std::to_string(note.Listed), BadFilesMessage(note, workDir)};
  if (allMissing)
    return TMessage::Template(QT_TRANSLATE_NOOP("Message", "%1 lacks %2 of its %3 files: %4"),
                              args);
  return TMessage::Template(
      QT_TRANSLATE_NOOP("Message", "%1: %2 of its %3 files are missing or wrong: %4"), args);
}

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
    case TAuditNote::DirectoryUnreadable: {
      const TMessage warning = TMessage::Template(
          QT_TRANSLATE_NOOP("Message",
                            "warning: available only because the archive exists; its directory "
                            "could not be read: %1"),
          {archive});
      if (note.Bad.empty()) return warning;
      // It holds none of the listed files, as far as anyone can tell.
      return TMessage::Template(QT_TRANSLATE_NOOP("Message", "%1; it lacks %2 of its %3 files: %4"),
                                {warning, std::to_string(note.Bad.size()),
                                 std::to_string(note.Listed), BadFilesMessage(note, workDir)});
    }
    case TAuditNote::Incomplete:
      return IncompleteMessage(archive, note, workDir);
  }
  return {};
}
