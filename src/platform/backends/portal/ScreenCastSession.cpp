#include "ScreenCastSession.h"

#include "PortalRequest.h"
#include "platform/FileSystem.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>

#include <algorithm>

namespace vexmira::platform::portal {

namespace {

const QString screenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");
constexpr int replyMs = 5000;           // a method's own reply
constexpr int dialogMs = 5 * 60 * 1000; // the user choosing what to share
constexpr unsigned monitorSource = 1, windowSource = 2;
constexpr unsigned persistUntilRevoked = 2;
constexpr unsigned cursorHidden = 1, cursorEmbedded = 2;

const char* const missingPortal = "Screen sharing needs the desktop portal: install xdg-desktop-portal and "
                                  "the portal of your desktop (xdg-desktop-portal-gnome, "
                                  "xdg-desktop-portal-kde or xdg-desktop-portal-wlr).";

// The desktop's leave to share again without asking: a token of printable characters. Anything
// else in the file (it may be damaged) is ignored, and replaced after the next grant.
QString readPermission(const std::filesystem::path& file) {
    const FileContent content = readWholeFile(file, 4096);
    if (content.status != ReadStatus::Read) return {};
    std::string token = content.bytes;
    while (!token.empty() && (token.back() == '\n' || token.back() == '\r'))
        token.pop_back();
    if (token.empty() || token.size() > 512 ||
        !std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 127; }))
        return {};
    return QString::fromStdString(token);
}

void keepPermission(const std::filesystem::path& file, const QString& token) {
    if (token.isEmpty() || file.empty()) return;
    try {
        writeFileAtomically(file, token.toStdString() + "\n");
    } catch (...) {
        logCaught("the permission to share the screen is not kept: the desktop asks again next time");
    }
}

// A pair of integers as the portal sends them, (ii).
bool readPair(const QVariant& value, int& first, int& second) {
    if (!value.canConvert<QDBusArgument>()) return false;
    const QDBusArgument argument = value.value<QDBusArgument>();
    argument.beginStructure();
    argument >> first >> second;
    argument.endStructure();
    return true;
}

struct GrantedStream {
    unsigned node = 0;
    raster::Rect area{0, 0, 0, 0};
};

std::optional<GrantedStream> firstStream(const QVariantMap& results) {
    const QVariant streams = results.value(QStringLiteral("streams"));
    if (!streams.canConvert<QDBusArgument>()) return std::nullopt;
    const QDBusArgument list = streams.value<QDBusArgument>();
    std::optional<GrantedStream> first;
    list.beginArray();
    while (!list.atEnd()) {
        unsigned node = 0;
        QVariantMap properties;
        list.beginStructure();
        list >> node >> properties;
        list.endStructure();
        if (first) continue;
        GrantedStream s;
        s.node = node;
        int x = 0, y = 0, w = 0, h = 0;
        if (readPair(properties.value(QStringLiteral("position")), x, y) &&
            readPair(properties.value(QStringLiteral("size")), w, h) && w > 0 && h > 0)
            s.area = {x, y, w, h};
        first = s;
    }
    list.endArray();
    return first;
}

ScreenConsent refused(const QString& why) {
    return {ScreenConsent::Refused, why.toStdString()};
}

ScreenConsent fromAnswer(const PortalAnswer& answer) {
    switch (answer.outcome) {
    case PortalAnswer::Granted:
        return {};
    case PortalAnswer::Cancelled:
        return {ScreenConsent::Cancelled, {}};
    case PortalAnswer::Missing:
        return refused(missingPortal);
    case PortalAnswer::NoAnswer:
        return refused("The desktop did not answer the request to share the screen (" + answer.error + ").");
    case PortalAnswer::Failed:
        break;
    }
    return refused("The desktop could not share the screen (" + answer.error + ").");
}

} // namespace

bool portalOnBus() {
    // Asked once: by the capabilities and by the choice of the capture road, at start.
    static const bool onBus = [] {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected() || !bus.interface()) return false;
        if (bus.interface()->isServiceRegistered(portalService)) return true;
        const QDBusReply<QStringList> activatable =
            bus.interface()->call(QStringLiteral("ListActivatableNames"));
        return activatable.isValid() && activatable.value().contains(portalService);
    }();
    return onBus;
}

ScreenCastSession& ScreenCastSession::monitor() {
    static ScreenCastSession session(monitorSource);
    return session;
}

ScreenCastSession& ScreenCastSession::window() {
    static ScreenCastSession session(windowSource);
    return session;
}

bool portalSharesWindows() {
    // Asked once at start; a portal slow to answer counts as one without windows.
    return (PortalRequest::numberProperty(screenCast, QStringLiteral("AvailableSourceTypes"), 200) &
            windowSource) != 0;
}

raster::Rect ScreenCastSession::area() const {
    if (!given_.isEmpty()) return given_;
    const raster::Bitmap newest = stream_ ? stream_->latest() : raster::Bitmap();
    return {0, 0, newest.width(), newest.height()};
}

ScreenConsent ScreenCastSession::share(const std::filesystem::path& permissionFile) {
    if (stream_ && stream_->ended().empty()) return {};
    if (asking_) return {ScreenConsent::Cancelled, {}}; // the desktop's dialog is already up
    asking_ = true;
    ScreenConsent consent;
    try {
        consent = start(permissionFile);
    } catch (...) {
        logCaught("screen sharing was not started; the source stays as it was");
        consent = refused("Screen sharing could not be started.");
    }
    asking_ = false;
    if (consent.outcome != ScreenConsent::Allowed) close();
    return consent;
}

ScreenConsent ScreenCastSession::start(const std::filesystem::path& permissionFile) {
    close();
    static int serial = 0;
    PortalAnswer created =
        PortalRequest::call(screenCast, QStringLiteral("CreateSession"),
                            {QVariantMap{{QStringLiteral("session_handle_token"),
                                          QStringLiteral("vexmira_session%1").arg(++serial)}}},
                            replyMs, replyMs);
    if (created.outcome != PortalAnswer::Granted) return fromAnswer(created);
    session_ = created.results.value(QStringLiteral("session_handle")).toString();
    if (session_.isEmpty()) return refused("The desktop opened no screen-sharing session.");

    QVariantMap select{{QStringLiteral("types"), sourceType_},
                       {QStringLiteral("multiple"), false},
                       {QStringLiteral("persist_mode"), persistUntilRevoked}};
    const unsigned modes =
        PortalRequest::numberProperty(screenCast, QStringLiteral("AvailableCursorModes"), replyMs);
    const unsigned wanted = pointerDrawn_ ? cursorEmbedded : cursorHidden;
    if (modes & wanted) select.insert(QStringLiteral("cursor_mode"), wanted);
    if (const QString kept = readPermission(permissionFile); !kept.isEmpty())
        select.insert(QStringLiteral("restore_token"), kept);
    const PortalAnswer selected =
        PortalRequest::call(screenCast, QStringLiteral("SelectSources"),
                            {QVariant::fromValue(QDBusObjectPath(session_)), select}, replyMs, dialogMs);
    if (selected.outcome != PortalAnswer::Granted) return fromAnswer(selected);

    const PortalAnswer started = PortalRequest::call(
        screenCast, QStringLiteral("Start"),
        {QVariant::fromValue(QDBusObjectPath(session_)), QString(), QVariantMap()}, replyMs, dialogMs);
    if (started.outcome != PortalAnswer::Granted) return fromAnswer(started);
    const auto granted = firstStream(started.results);
    if (!granted) return refused("The desktop shared no screen.");
    keepPermission(permissionFile, started.results.value(QStringLiteral("restore_token")).toString());

    QDBusMessage open = QDBusMessage::createMethodCall(portalService, portalPath, screenCast,
                                                       QStringLiteral("OpenPipeWireRemote"));
    open.setArguments({QVariant::fromValue(QDBusObjectPath(session_)), QVariantMap()});
    const QDBusMessage remote = PortalRequest::callAndWait(open, replyMs);
    if (remote.type() != QDBusMessage::ReplyMessage || remote.arguments().isEmpty())
        return refused("The desktop gave no way to the shared screen (" + remote.errorMessage() + ").");
    const QDBusUnixFileDescriptor fd = remote.arguments().first().value<QDBusUnixFileDescriptor>();
    if (!fd.isValid()) return refused("The desktop gave no way to the shared screen.");
    std::string problem;
    stream_ = PipeWireStream::open(fd.fileDescriptor(), granted->node, problem);
    if (!stream_) return refused(QString::fromStdString(problem) + ".");
    given_ = granted->area;
    endTold_ = false;
    std::weak_ptr<ScreenCastSession*> alive = alive_;
    stream_->onReport([alive] {
        // From the stream's thread to ours.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [alive] {
                if (const auto session = alive.lock()) (*session)->streamReported();
            },
            Qt::QueuedConnection);
    });
    return {};
}

void ScreenCastSession::streamReported() {
    if (report_) report_();
    if (!stream_ || endTold_) return;
    const std::string why = stream_->ended();
    if (why.empty()) return;
    endTold_ = true;
    if (ended_) ended_(why);
}

void ScreenCastSession::close() {
    // The stream goes with the session; a new one starts from nothing.
    stream_.reset();
    given_ = {0, 0, 0, 0};
    if (session_.isEmpty()) return;
    QDBusMessage closing = QDBusMessage::createMethodCall(
        portalService, session_, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close"));
    QDBusConnection::sessionBus().call(closing, QDBus::NoBlock);
    session_.clear();
}

} // namespace vexmira::platform::portal
