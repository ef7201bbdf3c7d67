// ludra-desktop-files: the menu entry and the AppStream metainfo, their texts in every language of
// the program's translations. The templates hold the layout and a {{Name}} in place of each text;
// the texts are here, marked for the translation tools like the window's, so that a text of the
// desktop missing from a translation fails the same check.
//   ludra-desktop-files <template> <output> <ludra_xx.ts>...
// A line "Key={{Name}}" becomes "Key=<English>" followed by "Key[xx]=<translation>" per language;
// a line "<tag>{{Name}}</tag>" becomes the English element followed by one with xml:lang="xx".
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <cstdio>

namespace {

struct TText {
  const char* Name;
  const char* English;
};

// clang-format off
const TText kTexts[] = {
    {"GenericName", QT_TRANSLATE_NOOP("Desktop", "Arcade Emulator Front-End")},
    {"Comment", QT_TRANSLATE_NOOP("Desktop",
        "Choose, set up and start the games of the arcade emulator tavi.exe")},
    //: Words a menu's search finds Ludra by, each followed by a semicolon.
    {"Keywords", QT_TRANSLATE_NOOP("Desktop", "arcade;emulator;ZN1;ZN2;ROM;games;")},
    {"ChooseFolder", QT_TRANSLATE_NOOP("Desktop", "Choose the Emulator's Folder…")},
    {"Summary", QT_TRANSLATE_NOOP("Desktop",
        "Choose, set up and start the games of an arcade emulator")},
    {"About", QT_TRANSLATE_NOOP("Desktop",
        "Ludra is the game list and launcher of tavi.exe, a command-line emulator of arcade "
        "boards of the 1990s (ZN1, ZN2, System 11, FX-1a and others).")},
    {"Audit", QT_TRANSLATE_NOOP("Desktop",
        "It keeps the catalogue of the games the emulator runs and audits the ROM archives, "
        "marking each game as available or missing.")},
    {"Browse", QT_TRANSLATE_NOOP("Desktop",
        "It shows the games by company, by year, available or missing, in four list views, "
        "with each game's screenshot.")},
    {"Start", QT_TRANSLATE_NOOP("Desktop",
        "It keeps each game's sound and display options and starts the emulator with them, "
        "through wine when the emulator is a Windows program.")},
    {"Controls", QT_TRANSLATE_NOOP("Desktop",
        "Mouse, keyboard, gamepads and arcade sticks all drive it.")},
    {"NotIncluded", QT_TRANSLATE_NOOP("Desktop",
        "The emulator itself is not part of Ludra. The command-line program ludra-audit prints "
        "the same audit for scripts and large ROM sets.")},
};
// clang-format on

[[noreturn]] void Fail(const QString& message) {
  std::fprintf(stderr, "ludra-desktop-files: %s\n", message.toLocal8Bit().constData());
  std::exit(1);
}

// The finished translations of context "Desktop" in one .ts file.
QMap<QString, QString> ReadTranslations(const QString& path, QString& language) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) Fail(QStringLiteral("cannot read ") + path);
  QXmlStreamReader xml(&file);
  QMap<QString, QString> texts;
  QString context, source;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    const auto name = xml.name();
    if (name == QLatin1String("TS")) {
      language = xml.attributes().value(QLatin1String("language")).toString();
    } else if (name == QLatin1String("name")) {
      context = xml.readElementText();
    } else if (name == QLatin1String("source")) {
      source = xml.readElementText();
    } else if (name == QLatin1String("translation")) {
      const bool finished = xml.attributes().value(QLatin1String("type")).isEmpty();
      const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
      if (context == QLatin1String("Desktop") && finished && !text.isEmpty())
        texts.insert(source, text);
    }
  }
  if (xml.hasError()) Fail(path + QStringLiteral(": ") + xml.errorString());
  if (language.isEmpty()) Fail(path + QStringLiteral(": no language"));
  return texts;
}

QString EscapeXml(QString text) {
  return text.replace(QLatin1Char('&'), QLatin1String("&amp;"))
      .replace(QLatin1Char('<'), QLatin1String("&lt;"))
      .replace(QLatin1Char('>'), QLatin1String("&gt;"));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() < 3) Fail(QStringLiteral("usage: ludra-desktop-files TEMPLATE OUTPUT TS..."));
  QFile in(args[1]);
  if (!in.open(QIODevice::ReadOnly)) Fail(QStringLiteral("cannot read ") + args[1]);
  const QStringList lines = QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'));
  const bool xml = args[2].endsWith(QLatin1String(".xml"));

  // Languages in a fixed order, so the output is the same on every build.
  QMap<QString, QMap<QString, QString>> languages;
  for (int i = 3; i < args.size(); ++i) {
    QString language;
    const auto texts = ReadTranslations(args[i], language);
    languages.insert(language, texts);
  }

  static const QRegularExpression entryLine(QStringLiteral("^([A-Za-z]+)=\\{\\{(\\w+)\\}\\}$"));
  static const QRegularExpression xmlLine(
      QStringLiteral("^(\\s*)<([a-z]+)>\\{\\{(\\w+)\\}\\}</\\2>$"));
  QString out;
  for (const QString& line : lines) {
    const auto match = (xml ? xmlLine : entryLine).match(line);
    if (!match.hasMatch()) {
      if (line.contains(QLatin1String("{{"))) Fail(QStringLiteral("cannot place ") + line);
      out += line + QLatin1Char('\n');
      continue;
    }
    const QString name = match.captured(xml ? 3 : 2);
    const TText* text = nullptr;
    for (const TText& t : kTexts)
      if (name == QLatin1String(t.Name)) text = &t;
    if (!text) Fail(QStringLiteral("no text ") + name);
    const QString english = QString::fromUtf8(text->English);
    const QString indent = xml ? match.captured(1) : QString();
    const QString key = match.captured(xml ? 2 : 1);
    auto write = [&](const QString& language, const QString& value) {
      if (xml) {
        const QString lang =
            language.isEmpty() ? QString() : QStringLiteral(" xml:lang=\"%1\"").arg(language);
        out += QStringLiteral("%1<%2%3>%4</%2>\n").arg(indent, key, lang, EscapeXml(value));
      } else {
        const QString lang = language.isEmpty() ? QString() : QStringLiteral("[%1]").arg(language);
        out += key + lang + QLatin1Char('=') + value + QLatin1Char('\n');
      }
    };
    write(QString(), english);
    for (auto language = languages.cbegin(); language != languages.cend(); ++language)
      if (const auto found = language->find(english); found != language->cend())
        write(language.key(), *found);
  }
  out.chop(1);  // the template's own last newline is in the last line's split

  QSaveFile file(args[2]);
  if (!file.open(QIODevice::WriteOnly) || file.write(out.toUtf8()) < 0 || !file.commit())
    Fail(QStringLiteral("cannot write ") + args[2]);
  return 0;
}
