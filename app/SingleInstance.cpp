#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "catalogue/ListFile.h"

#ifdef LUDRA_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstring>
#endif

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kActivate[] = "activate";

// The list file's absolute, link-free path: the name the claim goes by. A list file not made yet
// is named by its folder's real path.
std::string ClaimKey(const TPaths& paths) {
  const std::string list = ListFilePath(paths);
  const std::size_t slash = list.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : list.substr(0, slash);
  char real[PATH_MAX];
  return (::realpath(folder.c_str(), real) ? std::string(real) : folder) + "/" +
         list.substr(slash + 1);
}

QString ClaimName(const TPaths& paths) {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (unsigned char c : ClaimKey(paths)) hash = (hash ^ c) * 1099511628211ull;
  return QStringLiteral("ludra-%1").arg(hash, 16, 16, QLatin1Char('0'));
}

// An id as it may go on one line of the hand-over, and as the desktop makes them: printable
// ASCII, of a sane length.
QByteArray OneLine(const QByteArray& id) {
  QByteArray line;
  for (char c : id.left(512))
    if (c > ' ' && c < 0x7f) line += c;
  return line;
}

int Left(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::max<long long>(left.count(), 0));
}

}  // namespace

TLaunchIds TLaunchIds::FromEnvironment() {
  return {qgetenv("DESKTOP_STARTUP_ID"), qgetenv("XDG_ACTIVATION_TOKEN")};
}

TSingleInstance::TSingleInstance(const TPaths& paths, const QString& runtimeDir) {
  const QString base = runtimeDir + QLatin1Char('/') + ClaimName(paths);
  FLock = base + QStringLiteral(".lock");
  FSocket = base + QStringLiteral(".socket");
}

TSingleInstance::~TSingleInstance() = default;

TSingleInstance::TOutcome TSingleInstance::Claim(const TLaunchIds& ids,
                                                 std::chrono::milliseconds limit) {
  // Without a claim to take (no runtime folder to write in) every start opens its window, as
  // before there was any.
  FClaim.Reset(::open(FLock.toLocal8Bit().constData(),
                      O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600));
  if (!FClaim.IsOpen()) return First;
  const QByteArray message = QByteArray(kActivate) + '\n' + OneLine(ids.StartupId) + '\n' +
                             OneLine(ids.ActivationToken) + '\n';
  const auto deadline = Clock::now() + limit;
  for (;;) {
    // The claim's holder ends its claim only by ending (the lock goes with its last descriptor).
    if (::flock(FClaim.Get(), LOCK_EX | LOCK_NB) == 0) {
      const std::string pid = std::to_string(::getpid()) + "\n";
      if (::ftruncate(FClaim.Get(), 0) == 0) [[maybe_unused]]
        const ssize_t written = ::pwrite(FClaim.Get(), pid.data(), pid.size(), 0);
      return First;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) {
      FClaim.Reset();
      return First;
    }
    if (Left(deadline) == 0) return NoAnswer;
    // Its window may not listen yet (it is starting, or choosing its folder): asked again in a
    // moment, until the limit.
    QLocalSocket socket;
    socket.connectToServer(FSocket);
    if (socket.waitForConnected(Left(deadline))) {
      socket.write(message);
      QByteArray reply;
      while (!reply.contains('\n') && socket.waitForReadyRead(Left(deadline)))
        reply += socket.readAll();
      if (reply.startsWith("ok\n")) return HandedOver;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(50, Left(deadline))));
  }
}

void TSingleInstance::Listen(std::function<void(const TLaunchIds&)> activate) {
  FServer = std::make_unique<QLocalServer>();
  FServer->setSocketOptions(QLocalServer::UserAccessOption);
  // The claim is this process's, so a socket there was left by a window that has ended.
  QLocalServer::removeServer(FSocket);
  if (!FServer->listen(FSocket)) {
    std::fprintf(stderr, "ludra: later starts cannot find this window: %s\n",
                 FServer->errorString().toLocal8Bit().constData());
    return;
  }
  QLocalServer* server = FServer.get();
  QObject::connect(server, &QLocalServer::newConnection, server, [server, activate] {
    while (QLocalSocket* client = server->nextPendingConnection()) {
      QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      // A caller that never says its piece is not kept.
      QTimer::singleShot(5000, client, [client] { client->abort(); });
      QObject::connect(client, &QLocalSocket::readyRead, client, [client, activate] {
        const QByteArray seen = client->peek(2048);
        if (seen.count('\n') < 3) {
          if (seen.size() >= 2048) client->abort();
          return;
        }
        const QList<QByteArray> lines = client->readAll().split('\n');
        if (lines[0] != kActivate) return client->abort();
        client->write("ok\n");
        client->flush();  // the later start ends now, whatever the window does next
        client->disconnectFromServer();
        activate({lines[1], lines[2]});
      });
    }
  });
}

long TSingleInstance::Holder() const {
  char text[32] = {};
  if (!FClaim.IsOpen() || ::pread(FClaim.Get(), text, sizeof text - 1, 0) <= 0) return 0;
  return std::strtol(text, nullptr, 10);
}

std::optional<int> HandOverToRunningWindow(TSingleInstance& instance, const TLaunchIds& ids) {
  switch (instance.Claim(ids, std::chrono::seconds(5))) {
    case TSingleInstance::First:
      return std::nullopt;
    case TSingleInstance::HandedOver:
      return 0;
    case TSingleInstance::NoAnswer:
      break;
  }
  const long pid = instance.Holder();
  const QString message =
      QApplication::translate("SingleInstance",
                              "Ludra already runs for this emulator's folder (process %1), but "
                              "its window does not answer. Wait for it, or end that process, "
                              "then start Ludra again.")
          .arg(pid);
  std::fprintf(stderr,
               "ludra: Ludra already runs for this folder (process %ld), but its window "
               "does not answer.\n",
               pid);
  QMessageBox::warning(nullptr, QApplication::translate("Guard", "Ludra"), message);
  return 1;
}

#ifdef LUDRA_XCB
namespace {
xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
  std::free(reply);
  return atom;
}

// The time the desktop started the launch at, which the window manager weighs against the
// user's last input before it lets a window come forward: "..._TIME<n>" ends the startup id.
xcb_timestamp_t StartupTime(const QByteArray& id) {
  const int at = id.lastIndexOf("_TIME");
  bool ok = false;
  const uint time = at < 0 ? 0 : id.mid(at + 5).toUInt(&ok);
  return ok ? time : XCB_CURRENT_TIME;
}

// The X11 startup notification's "remove" message for the start handed over, as the first map
// of a window sends it for its own start; sent to the root window in pieces of 20 bytes.
void EndLaunchFeedback(xcb_connection_t* c, xcb_window_t window, xcb_window_t root,
                       const QByteArray& id) {
  QByteArray message = "remove: ID=\"";
  for (char ch : id) {
    if (ch == '"' || ch == '\\') message += '\\';
    message += ch;
  }
  message += "\"";
  message += '\0';
  xcb_client_message_event_t event = {};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 8;
  event.window = window;
  event.type = Atom(c, "_NET_STARTUP_INFO_BEGIN");
  const xcb_atom_t more = Atom(c, "_NET_STARTUP_INFO");
  for (int sent = 0; sent < message.size(); sent += 20) {
    std::memset(event.data.data8, 0, sizeof event.data.data8);
    std::memcpy(event.data.data8, message.constData() + sent,
                std::min(20, int(message.size()) - sent));
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_PROPERTY_CHANGE,
                   reinterpret_cast<const char*>(&event));
    event.type = more;
  }
}

void BringToFrontOnX11(xcb_connection_t* c, QWidget& window, const QByteArray& id) {
  const auto x = static_cast<xcb_window_t>(window.winId());
  xcb_window_t root = XCB_NONE;
  if (xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, x), nullptr)) {
    root = tree->root;
    std::free(tree);
  }
  if (root == XCB_NONE) return;
  // The window manager reads the start's id and time off the window it activates.
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, x, Atom(c, "_NET_STARTUP_ID"),
                      Atom(c, "UTF8_STRING"), 8, id.size(), id.constData());
  xcb_client_message_event_t event = {};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = x;
  event.type = Atom(c, "_NET_ACTIVE_WINDOW");
  event.data.data32[0] = 1;  // from an application
  event.data.data32[1] = StartupTime(id);
  xcb_send_event(c, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&event));
  EndLaunchFeedback(c, x, root, id);
  xcb_flush(c);
}
}  // namespace
#endif

void BringToFront(QWidget& window, const TLaunchIds& ids) {
  window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
  window.show();
  window.raise();
#ifdef LUDRA_XCB
  // (Other platforms may answer for X11 too, the offscreen one without a connection.)
  if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
      x11 && QGuiApplication::platformName() == QLatin1String("xcb") && x11->connection() &&
      !ids.StartupId.isEmpty())
    BringToFrontOnX11(x11->connection(), window, OneLine(ids.StartupId));
#endif
  // Wayland: the token of the start handed over goes where a Qt Wayland plug-in that reads it
  // looks for the one to activate with (Debian 12's Qt 6.4 does not, and the compositor decides
  // alone); spent then, so no game started later inherits it.
  if (!ids.ActivationToken.isEmpty()) qputenv("XDG_ACTIVATION_TOKEN", OneLine(ids.ActivationToken));
  window.activateWindow();
  qunsetenv("XDG_ACTIVATION_TOKEN");
}
