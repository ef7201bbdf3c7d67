#include "ui/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {
QTranslator* gProgram = nullptr;
QTranslator* gQt = nullptr;

QTranslator* Install(const QLocale& locale, const QString& name, const QString& folder) {
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(locale, name, QStringLiteral("_"), folder) &&
      QCoreApplication::installTranslator(translator))
    return translator;
  delete translator;
  return nullptr;
}

void Remove(QTranslator*& translator) {
  if (!translator) return;
  QCoreApplication::removeTranslator(translator);
  delete translator;
  translator = nullptr;
}
}  // namespace

bool InstallTranslations(const QLocale& locale) {
  RemoveTranslations();
  gProgram = Install(locale, QStringLiteral("ludra"), QStringLiteral(":/i18n"));
  gQt =
      Install(locale, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  return gProgram != nullptr;
}

void RemoveTranslations() {
  Remove(gProgram);
  Remove(gQt);
}

QString Translated(const TMessage& message) {
  return QString::fromStdString(message.Text([](const std::string& templ) {
    return QCoreApplication::translate("Message", templ.c_str()).toStdString();
  }));
}

QString TranslatedBeforeStart(const char* context, const char* text) {
  QTranslator translator;
  if (translator.load(QLocale::system(), QStringLiteral("ludra"), QStringLiteral("_"),
                      QStringLiteral(":/i18n"))) {
    const QString translated = translator.translate(context, text);
    if (!translated.isEmpty()) return translated;
  }
  return QString::fromUtf8(text);
}
