#include "app/Notification.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QLocale>
#include <QString>
#include <QVariantMap>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/Places.h"
#include "ui/ThreadRoom.h"
#include "ui/Translations.h"
#include "ui/URunFailure.h"

void NotifyDesktop(const TEmulatorRun& run, const TMessage& roms) {
  // Without a session bus there is nobody to tell, and libdbus would try to start one.
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if ((!address || !*address) &&
      (!runtime || !*runtime || !std::filesystem::exists(std::string(runtime) + "/bus")))
    return;
  std::unique_ptr<QCoreApplication> app;
  static int argc = 1;
  static char name[] = "ludra";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) app = std::make_unique<QCoreApplication>(argc, argv);

  // The bus's own thread goes on reading messages until the process's end, where it needs the
  // registry of the types it reads. Made before that thread, the registry is destroyed after it.
  qRegisterMetaType<QDBusMessage>();
  // In the user's language, like the window; removed before the application object goes.
  struct TLanguage {
    explicit TLanguage(bool install) : Installed(install) {
      if (Installed) InstallTranslations(QLocale());
    }
    ~TLanguage() {
      if (Installed) RemoveTranslations();
    }
    bool Installed;
  } language(app != nullptr);

  // The bus's connection has a thread of its own, which Qt would wait for for ever were it
  // refused. One more is asked for: the probe's own threads take a moment to be gone.
  if (const auto reason = NoRoomForThreads(2)) {
    std::fprintf(stderr, "ludra: no desktop notification: %s\n", reason->c_str());
    return;
  }
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.Notifications"),
      QStringLiteral("/org/freedesktop/Notifications"),
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  // The body may be taken as markup, which knows these three.
  QString body = TfrmRunFailure::Notice(run, roms.IsEmpty() ? QString() : Translated(roms));
  body.replace(QLatin1Char('&'), QLatin1String("&amp;"))
      .replace(QLatin1Char('<'), QLatin1String("&lt;"))
      .replace(QLatin1Char('>'), QLatin1String("&gt;"));
  QVariantMap hints;
  hints.insert(QStringLiteral("desktop-entry"), QLatin1String(kAppId));
  hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(1));
  call << QStringLiteral("Ludra") << 0u << QLatin1String(kAppId)
       << QCoreApplication::translate("RunReport", "%1 stopped")
              .arg(QString::fromStdString(run.Game().Title))
       << body << QStringList() << hints << -1;
  // A service that does not answer soon is not waited for.
  bus.call(call, QDBus::Block, 2000);
}
