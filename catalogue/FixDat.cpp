#include "FixDat.h"

#include "Dat.h"

namespace {
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
      default:
        // Control characters have no place in XML 1.0; a name never needs them.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
  }
}
}  // namespace

TFixDat::TFixDat(std::string_view name, std::string_view source) {
  FText =
      "<?xml version=\"1.0\"?>\n"
      "<!DOCTYPE datafile PUBLIC \"-//Logiqx//DTD ROM Management Datafile//EN\" "
      "\"http://www.logiqx.com/Dats/datafile.dtd\">\n"
      "<datafile>\n\t<header>\n\t\t<name>";
  AppendEscaped(FText, name);
  FText += "</name>\n\t\t<description>";
  AppendEscaped(FText, source);
  FText += "</description>\n\t\t<author>Ludra</author>\n\t</header>\n";
}

void TFixDat::Add(std::string_view romPath, std::string_view title, const TAuditNote& note) {
  if (note.Bad.empty()) return;
  ++FGames;
  std::string_view name = note.DatGame;
  if (name.empty()) {
    const std::size_t cut = romPath.find_last_of("/\\");
    name = DatGameName(cut == std::string_view::npos ? romPath : romPath.substr(cut + 1));
  }
  FText += "\t<game name=\"";
  AppendEscaped(FText, name);
  FText += "\">\n\t\t<description>";
  AppendEscaped(FText, title);
  FText += "</description>\n";
  for (const TFileCheck& file : note.Bad) {
    FText += "\t\t<rom name=\"";
    AppendEscaped(FText, file.Name);
    FText += '"';
    if (file.HasSize) FText += " size=\"" + std::to_string(file.Size) + '"';
    if (file.HasCrc) {
      FText += " crc=\"" + CrcText(file.Crc) + '"';
    }
    FText += "/>\n";
  }
  FText += "\t</game>\n";
}

std::string TFixDat::Text() const {
  return FText + "</datafile>\n";
}
