#include "Translations.h"

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
