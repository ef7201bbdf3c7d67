#pragma once
// The program's texts in the user's language, and Qt's own for its standard dialogs.
#include <QString>

#include "fileio/Message.h"

class QLocale;

// Installs the program's translation for `locale` (compiled into the program) and Qt's
// translation of its standard dialogs (from Qt's translations folder), each when there is one,
// in place of any installed before. True when the program's own was found; English needs none.
bool InstallTranslations(const QLocale& locale);

// Back to the English source texts.
void RemoveTranslations();

// A message of the layers below the window in the language installed: each template translated
// in the context "Message", then filled in.
QString Translated(const TMessage& message);

// `text` of `context` in the language of the system's locale, before any application object
// exists (the command line's help).
QString TranslatedBeforeStart(const char* context, const char* text);
