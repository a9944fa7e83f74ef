// A desktop portal of the tests' own, standing in for the desktop behind the real portal: it
// owns org.freedesktop.portal.Desktop on the session bus and answers the ScreenCast and
// GlobalShortcuts calls with their Request/Response signals and restore tokens as the portal
// documentation gives them. The shared screen is a real PipeWire video stream made here, showing
// known pictures (PortalPictures.h) and, when asked, a moving square, with damage regions.
//
// Driven over standard input, one answer line per command:
//   count            "dialogs D starts S selects E": dialogs shown, Start and SelectSources calls
//   cancel           the next dialog is cancelled by the user
//   picture N        the stream shows picture N
//   move             a white square starts moving over the picture (damage: where it was and is)
//   stop             the stream ends, as when the user stops sharing
//   revoke           the restore tokens given so far are no longer honoured
//   silent           the next screen-sharing session is never answered
//   activate ID      the bound shortcut ID is pressed ("unbound" when none is)
//   tray             "items N": the tray items registered with the StatusNotifier watcher
//   click-tray       the last registered tray item is clicked ("none" without one)
// With the argument --tray it is also the desktop's tray: a StatusNotifier watcher with a host.
// "ready" is written once the bus name is owned and the stream is up.
#include "PipeWireSource.h"
#include "PortalPictures.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

using namespace vexmira::testing;

// A D-Bus structure of two members, as the portal's (ii), (ua{sv}) and (sa{sv}).
template <typename First, typename Second> struct Pair {
    First first{};
    Second second{};
};
template <typename First, typename Second>
QDBusArgument& operator<<(QDBusArgument& a, const Pair<First, Second>& p) {
    a.beginStructure();
    a << p.first << p.second;
    a.endStructure();
    return a;
}
template <typename First, typename Second>
const QDBusArgument& operator>>(const QDBusArgument& a, Pair<First, Second>& p) {
    a.beginStructure();
    a >> p.first >> p.second;
    a.endStructure();
    return a;
}
using IntPair = Pair<int, int>;
using StreamEntry = Pair<uint, QVariantMap>; // a stream's node and properties
using Shortcut = Pair<QString, QVariantMap>; // a shortcut's id and properties
using StreamList = QList<StreamEntry>;
using ShortcutList = QList<Shortcut>;
Q_DECLARE_METATYPE(IntPair)
Q_DECLARE_METATYPE(StreamEntry)
Q_DECLARE_METATYPE(Shortcut)
Q_DECLARE_METATYPE(StreamList)
Q_DECLARE_METATYPE(ShortcutList)

namespace {

// The shared screen: known pictures, and a square moving over them when asked.
class Screen {
  public:
    Screen()
        : source_(portalScreenWidth, portalScreenHeight, 30,
                  [this](std::uint8_t* pixels, int stride, std::vector<DrawnRegion>& changed) {
                      paint(pixels, stride, changed);
                  }) {}
    bool start() { return source_.start(); }
    std::uint32_t node() { return source_.node(); }
    void stop() { source_.stop(); }
    void showPicture(int n) {
        picture_ = n;
        whole_ = true;
    }
    void startMoving() { moving_ = true; }

  private:
    void paint(std::uint8_t* pixels, int stride, std::vector<DrawnRegion>& changed) {
        const int n = picture_;
        for (int y = 0; y < portalScreenHeight; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(pixels + std::size_t(y) * stride);
            for (int x = 0; x < portalScreenWidth; ++x)
                row[x] = portalPixel(n, x, y);
        }
        if (moving_) {
            const int before = squareX_;
            squareX_ = (squareX_ + 16) % (portalScreenWidth - 100);
            for (int y = 500; y < 600; ++y)
                std::fill_n(reinterpret_cast<std::uint32_t*>(pixels + std::size_t(y) * stride) + squareX_,
                            100, 0xFFFFFFFFu);
            const int left = std::min(before, squareX_), right = std::max(before, squareX_) + 100;
            changed.push_back({left, 500, right - left, 100});
        }
        if (whole_.exchange(false)) changed.clear(); // everything
    }

    PipeWireSource source_;
    std::atomic<int> picture_{0};
    std::atomic<bool> whole_{true};
    std::atomic<bool> moving_{false};
    int squareX_ = 0;
};

Screen producer;
class Tray;
Tray* tray = nullptr;

const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");

QString senderPart(const QDBusMessage& message) {
    QString sender = message.service().mid(1);
    sender.replace('.', '_');
    return sender;
}

QDBusObjectPath requestPath(const QDBusMessage& message, const QVariantMap& options) {
    return QDBusObjectPath(QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                               .arg(senderPart(message), options.value("handle_token").toString()));
}

// The answer comes after the method's reply, as from a real portal.
void respondLater(const QDBusObjectPath& request, uint code, const QVariantMap& results) {
    QTimer::singleShot(20, [request, code, results] {
        QDBusMessage signal = QDBusMessage::createSignal(
            request.path(), QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        signal << code << results;
        QDBusConnection::sessionBus().send(signal);
    });
}

struct Counts {
    int dialogs = 0, starts = 0, selects = 0;
    bool cancelNext = false;
    bool silentNext = false;
    QSet<QString> tokens;    // restore tokens given and not yet used
    QSet<QString> trusted;   // sessions whose SelectSources brought a good token
    QString shortcutSession; // the GlobalShortcuts session with shortcuts bound
    QStringList boundShortcuts;
    int serial = 0;
} state;

class ScreenCast : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.ScreenCast")
    Q_PROPERTY(uint AvailableSourceTypes READ sourceTypes)
    Q_PROPERTY(uint AvailableCursorModes READ cursorModes)
    Q_PROPERTY(uint version READ version)
  public:
    explicit ScreenCast(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    uint sourceTypes() const { return 1 | 2; } // monitors and windows
    uint cursorModes() const { return 1 | 2; }
    uint version() const { return 4; }

  public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& message) {
        if (state.silentNext) {
            state.silentNext = false;
            message.setDelayedReply(true); // and no reply ever comes
            return {};
        }
        const QDBusObjectPath request = requestPath(message, options);
        const QString session =
            QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
                .arg(senderPart(message), options.value("session_handle_token").toString());
        respondLater(request, 0, {{"session_handle", session}});
        return request;
    }
    QDBusObjectPath SelectSources(const QDBusObjectPath& session, const QVariantMap& options,
                                  const QDBusMessage& message) {
        ++state.selects;
        const QString token = options.value("restore_token").toString();
        if (!token.isEmpty() && state.tokens.remove(token)) state.trusted.insert(session.path());
        const QDBusObjectPath request = requestPath(message, options);
        respondLater(request, 0, {});
        return request;
    }
    QDBusObjectPath Start(const QDBusObjectPath& session, const QString&, const QVariantMap& options,
                          const QDBusMessage& message) {
        ++state.starts;
        const QDBusObjectPath request = requestPath(message, options);
        if (!state.trusted.remove(session.path())) {
            ++state.dialogs;
            if (state.cancelNext) {
                state.cancelNext = false;
                respondLater(request, 1, {});
                return request;
            }
        }
        const QString token = QStringLiteral("restore-%1").arg(++state.serial);
        state.tokens.insert(token);
        StreamList streams{{producer.node(),
                            {{"position", QVariant::fromValue(IntPair{0, 0})},
                             {"size", QVariant::fromValue(IntPair{portalScreenWidth, portalScreenHeight})},
                             {"source_type", 1u}}}};
        respondLater(request, 0, {{"streams", QVariant::fromValue(streams)}, {"restore_token", token}});
        return request;
    }
    QDBusUnixFileDescriptor OpenPipeWireRemote(const QDBusObjectPath&, const QVariantMap&) {
        // A connection of the program's own to the rig's PipeWire daemon.
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = qgetenv("XDG_RUNTIME_DIR") + "/pipewire-0";
        std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return {};
        }
        QDBusUnixFileDescriptor handed(fd);
        ::close(fd);
        return handed;
    }
};

class GlobalShortcuts : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)
  public:
    explicit GlobalShortcuts(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    uint version() const { return 1; }

  public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& message) {
        const QDBusObjectPath request = requestPath(message, options);
        const QString session =
            QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
                .arg(senderPart(message), options.value("session_handle_token").toString());
        respondLater(request, 0, {{"session_handle", session}});
        return request;
    }
    QDBusObjectPath BindShortcuts(const QDBusObjectPath& session, const ShortcutList& shortcuts,
                                  const QString&, const QVariantMap& options, const QDBusMessage& message) {
        state.shortcutSession = session.path();
        state.boundShortcuts.clear();
        ShortcutList bound;
        for (const Shortcut& s : shortcuts) {
            state.boundShortcuts << s.first;
            bound << Shortcut{s.first,
                              {{"description", s.second.value("description")},
                               {"trigger_description", s.second.value("preferred_trigger")}}};
        }
        const QDBusObjectPath request = requestPath(message, options);
        respondLater(request, 0, {{"shortcuts", QVariant::fromValue(bound)}});
        return request;
    }
};

// The desktop's tray: the StatusNotifier watcher that tray items register with, and its host.
class Watcher : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
  public:
    explicit Watcher(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return items_; }
    QStringList items_;

  public slots:
    void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message) {
        // An item names its bus name or its object path.
        items_ << (service.startsWith('/') ? message.service() + service : service);
        emit StatusNotifierItemRegistered(items_.last());
    }
    void RegisterStatusNotifierHost(const QString&) {}

  signals:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierHostRegistered();
};

class Tray : public QObject {
    Q_OBJECT
  public:
    Tray() : watcher(new Watcher(this)) {}
    Watcher* watcher;
};

class Portal : public QObject {
    Q_OBJECT
  public:
    Portal() {
        new ScreenCast(this);
        new GlobalShortcuts(this);
    }
};

void answer(const QByteArray& line) {
    std::fprintf(stdout, "%s\n", line.constData());
    std::fflush(stdout);
}

void command(const QByteArray& line) {
    const QList<QByteArray> words = line.trimmed().split(' ');
    const QByteArray& verb = words.value(0);
    if (verb == "count") {
        answer(QStringLiteral("dialogs %1 starts %2 selects %3")
                   .arg(state.dialogs)
                   .arg(state.starts)
                   .arg(state.selects)
                   .toUtf8());
    } else if (verb == "cancel") {
        state.cancelNext = true;
        answer("ok");
    } else if (verb == "picture") {
        producer.showPicture(words.value(1).toInt());
        answer("ok");
    } else if (verb == "move") {
        producer.startMoving();
        answer("ok");
    } else if (verb == "stop") {
        producer.stop();
        answer("ok");
    } else if (verb == "silent") {
        state.silentNext = true;
        answer("ok");
    } else if (verb == "revoke") {
        state.tokens.clear();
        answer("ok");
    } else if (verb == "tray") {
        answer(QStringLiteral("items %1").arg(tray ? tray->watcher->items_.size() : 0).toUtf8());
    } else if (verb == "click-tray") {
        if (!tray || tray->watcher->items_.isEmpty()) {
            answer("none");
            return;
        }
        // "service" or "service/path"; the path is /StatusNotifierItem when none is named.
        QString item = tray->watcher->items_.last(), path = QStringLiteral("/StatusNotifierItem");
        if (const int slash = item.indexOf('/'); slash > 0) {
            path = item.mid(slash);
            item = item.left(slash);
        }
        QDBusMessage click = QDBusMessage::createMethodCall(
            item, path, QStringLiteral("org.kde.StatusNotifierItem"), "Activate");
        click << 0 << 0;
        const QDBusMessage reply = QDBusConnection::sessionBus().call(click, QDBus::Block, 2000);
        answer(reply.type() == QDBusMessage::ReplyMessage ? "ok" : reply.errorMessage().toUtf8());
    } else if (verb == "activate") {
        const QString id = QString::fromUtf8(words.value(1));
        if (state.shortcutSession.isEmpty() || !state.boundShortcuts.contains(id)) {
            answer("unbound");
            return;
        }
        QDBusMessage signal =
            QDBusMessage::createSignal(portalPath, QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
                                       QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(state.shortcutSession)) << id << qulonglong(0)
               << QVariantMap();
        QDBusConnection::sessionBus().send(signal);
        answer("ok");
    } else {
        answer("unknown");
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    qDBusRegisterMetaType<IntPair>();
    qDBusRegisterMetaType<StreamEntry>();
    qDBusRegisterMetaType<StreamList>();
    qDBusRegisterMetaType<Shortcut>();
    qDBusRegisterMetaType<ShortcutList>();
    if (!producer.start()) {
        std::fprintf(stderr, "test portal: no PipeWire stream\n");
        return 1;
    }
    Portal portal;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(portalPath, &portal, QDBusConnection::ExportAdaptors) ||
        !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        std::fprintf(stderr, "test portal: the bus name is taken or there is no session bus\n");
        return 1;
    }
    std::unique_ptr<Tray> desktopTray;
    if (QCoreApplication::arguments().contains(QStringLiteral("--tray"))) {
        desktopTray = std::make_unique<Tray>();
        tray = desktopTray.get();
        if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), tray,
                                QDBusConnection::ExportAdaptors) ||
            !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))) {
            std::fprintf(stderr, "test portal: the tray's bus name is taken\n");
            return 1;
        }
    }
    QSocketNotifier input(0, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char chunk[256];
        const ssize_t got = ::read(0, chunk, sizeof chunk);
        if (got <= 0) {
            QCoreApplication::quit(); // the test went away
            return;
        }
        pending.append(chunk, int(got));
        for (int end; (end = pending.indexOf('\n')) >= 0;) {
            command(pending.left(end));
            pending.remove(0, end + 1);
        }
    });
    answer("ready");
    const int result = application.exec();
    producer.stop();
    return result;
}

#include "TestPortal.moc"
