// Reports of a quick failure outside the window: stderr and the desktop's notifications.
#include "RunReport.h"

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

#include "CommandLine.h"
#include "EmulatorFolder.h"
#include "LogKeeper.h"
#include "PathLookup.h"
#include "Translations.h"
#include "URunFailure.h"

namespace {
std::string Seconds(std::chrono::milliseconds ran) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(ran.count()) / 1000.0);
  return text;
}
}  // namespace

TRunOptions ProgramRunOptions(IRunWatcher* watcher) {
  TRunOptions options;
  options.LogDir = UserStateDir();
  // The path of a binary replaced since the start (an upgrade) ends in " (deleted)"; the
  // process's own link still reaches it.
  std::string exe = ExecutablePath();
  if (!IsRegularFile(exe)) exe = "/proc/self/exe";
  options.Keeper = {exe, kKeepLogArgument};
  options.Watcher = watcher;
  return options;
}

bool QuickFailure(const TEmulatorRun& run, std::chrono::milliseconds window) {
  return run.Finished() && run.End().Failed() && run.End().Ran < window;
}

std::string QuickFailureText(const TEmulatorRun& run) {
  const TGameRef& game = run.Game();
  std::string text = "\"" + game.Title + "\" (game " + std::to_string(game.Number) +
                     ") ended after " + Seconds(run.End().Ran) + " s with " +
                     DescribeEnd(run.End()) + ".\n";
  for (const std::string& note : run.Notes()) text += note + "\n";
  if (run.LogPath().empty())
    return text + "Its output was not kept: " + run.LogProblem.English() + "\n";
  const auto lines = run.LastLines(kReportedLines);
  if (lines.empty()) return text + "It wrote nothing (" + run.LogPath() + ").\n";
  text += "Its last lines (all of its output is in " + run.LogPath() + "):\n";
  for (const std::string& line : lines) text += "  " + line + "\n";
  return text;
}

void NotifyDesktop(const TEmulatorRun& run) {
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

  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.Notifications"),
      QStringLiteral("/org/freedesktop/Notifications"),
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  // The body may be taken as markup, which knows these three.
  QString body = TfrmRunFailure::Notice(run);
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
