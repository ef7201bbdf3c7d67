#include "catalogue/FixDat.h"

#include <ctime>

#include "catalogue/Dat.h"

namespace {
// XML 1.0 cannot hold these control characters at all, not even as references.
bool XmlCanHold(std::string_view text) {
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 && u != '\t' && u != '\n' && u != '\r') return false;
  }
  return true;
}

// Escaped for an attribute or a text. Tab, line feed and carriage return become references:
// a parser would turn them into blanks (or a CR LF into a LF), and the name would change.
void AppendEscaped(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\t':
        out += "&#9;";
        break;
      case '\n':
        out += "&#10;";
        break;
      case '\r':
        out += "&#13;";
        break;
      default:
        out += c;
    }
  }
}

void AppendElement(std::string& out, std::string_view indent, std::string_view tag,
                   std::string_view text) {
  out += indent;
  out += '<';
  out += tag;
  out += '>';
  AppendEscaped(out, text);
  out += "</";
  out += tag;
  out += ">\n";
}

void AppendAttribute(std::string& out, std::string_view name, std::string_view value) {
  out += ' ';
  out += name;
  out += "=\"";
  AppendEscaped(out, value);
  out += '"';
}

// A file a ROM manager is to fetch: missing, wrong, or in a parent's archive that is not there.
bool ToFetch(const TFileCheck& file) {
  return file.Status == TFileCheck::Missing || file.Status == TFileCheck::WrongSize ||
         file.Status == TFileCheck::WrongCrc ||
         (file.Status == TFileCheck::NotReadable && file.Gone);
}
}  // namespace

TFixDat::TFixDat(std::string_view name, std::string_view source) : FName(name), FSource(source) {}

void TFixDat::Add(std::string_view romPath, std::string_view title, const TAuditNote& note) {
  std::string_view name = note.DatGame;
  if (name.empty()) {
    const std::size_t cut = romPath.find_last_of("/\\");
    name = DatGameName(cut == std::string_view::npos ? romPath : romPath.substr(cut + 1));
  }
  std::string roms;
  for (const TFileCheck& file : note.Bad) {
    if (!ToFetch(file)) continue;
    if (!file.HasSize) {
      ++FNoSize;  // the DTD requires a size
      continue;
    }
    if (!XmlCanHold(file.Name) || !XmlCanHold(file.Merge)) {
      ++FBadName;
      continue;
    }
    roms += "\t\t<rom";
    AppendAttribute(roms, "name", file.Name);
    roms += " size=\"" + std::to_string(file.Size) + '"';
    if (file.HasCrc) roms += " crc=\"" + CrcText(file.Crc) + '"';
    if (!file.Merge.empty()) AppendAttribute(roms, "merge", file.Merge);
    if (file.BadDump) roms += " status=\"baddump\"";
    roms += "/>\n";
  }
  if (roms.empty() || !XmlCanHold(name) || !FNames.emplace(name).second) return;
  ++FGames;
  FGamesText += "\t<game";
  AppendAttribute(FGamesText, "name", name);
  if (!note.DatCloneOf.empty() && XmlCanHold(note.DatCloneOf))
    AppendAttribute(FGamesText, "cloneof", note.DatCloneOf);
  if (!note.DatRomOf.empty() && XmlCanHold(note.DatRomOf))
    AppendAttribute(FGamesText, "romof", note.DatRomOf);
  FGamesText += ">\n";
  AppendElement(FGamesText, "\t\t", "description", XmlCanHold(title) ? title : name);
  FGamesText += roms;
  FGamesText += "\t</game>\n";
}

std::string TFixDat::Text() const {
  char date[16] = "";
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local)) std::strftime(date, sizeof date, "%Y%m%d", &local);
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE datafile PUBLIC \"-//Logiqx//DTD ROM Management Datafile//EN\" "
      "\"http://www.logiqx.com/Dats/datafile.dtd\">\n"
      "<datafile>\n\t<header>\n";
  AppendElement(text, "\t\t", "name", FName);
  AppendElement(text, "\t\t", "description", FSource);
  AppendElement(text, "\t\t", "version", date);
  AppendElement(text, "\t\t", "author", "Ludra");
  if (LeftOut()) {
    std::string comment;
    if (FNoSize)
      comment += std::to_string(FNoSize) +
                 " missing or wrong files are left out: a ROM list needs each file's size, "
                 "which only a DAT states.";
    if (FBadName)
      comment += std::string(comment.empty() ? "" : " ") + std::to_string(FBadName) +
                 " files are left out: their names hold characters XML cannot.";
    AppendElement(text, "\t\t", "comment", comment);
  }
  text += "\t</header>\n";
  text += FGamesText;
  return text + "</datafile>\n";
}
