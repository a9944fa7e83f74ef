#include "PortalRequest.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QEventLoop>
#include <QTimer>

namespace vexmira::platform::portal {

namespace {

const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

// The path the portal gives a request of ours with this token, so that its Response is heard
// even when it comes before the method's reply.
QString requestPath(const QDBusConnection& bus, const QString& token) {
    QString sender = bus.baseService().mid(1);
    sender.replace('.', '_');
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

} // namespace

QDBusMessage PortalRequest::callAndWait(const QDBusMessage& message, int replyMs) {
    QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(message, replyMs);
    if (!pending.isFinished()) {
        QEventLoop loop;
        QDBusPendingCallWatcher watcher(pending);
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        loop.exec(); // the user interface goes on; callers keep themselves from being entered again
    }
    return pending.reply();
}

unsigned PortalRequest::numberProperty(const QString& interface, const QString& name, int replyMs) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get.setArguments({interface, name});
    const QDBusMessage reply = callAndWait(get, replyMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return 0;
    return reply.arguments().first().value<QDBusVariant>().variant().toUInt();
}

PortalAnswer PortalRequest::call(const QString& interface, const QString& method, QVariantList arguments,
                                 int replyMs, int answerMs) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return {PortalAnswer::Missing, {}, "there is no session bus"};
    static int serial = 0;
    const QString token = QStringLiteral("vexmira%1").arg(++serial);
    PortalRequest request;
    QString path = requestPath(bus, token);
    const auto listen = [&](const QString& at) {
        return bus.connect(portalService, at, requestInterface, QStringLiteral("Response"), &request,
                           SLOT(response(uint, QVariantMap)));
    };
    listen(path);
    QVariantMap options = arguments.isEmpty() ? QVariantMap() : arguments.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);
    QDBusMessage message = QDBusMessage::createMethodCall(portalService, portalPath, interface, method);
    message.setArguments(arguments);
    const QDBusMessage reply = callAndWait(message, replyMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        bus.disconnect(portalService, path, requestInterface, QStringLiteral("Response"), &request,
                       SLOT(response(uint, QVariantMap)));
        const bool missing =
            reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
            reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface") ||
            reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod");
        const bool silent = reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
                            reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.Timeout");
        return {missing  ? PortalAnswer::Missing
                : silent ? PortalAnswer::NoAnswer
                         : PortalAnswer::Failed,
                {},
                reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage()};
    }
    // Older portals chose the path themselves: listen there instead.
    if (!reply.arguments().isEmpty()) {
        const QString given = reply.arguments().first().value<QDBusObjectPath>().path();
        if (!given.isEmpty() && given != path) {
            bus.disconnect(portalService, path, requestInterface, QStringLiteral("Response"), &request,
                           SLOT(response(uint, QVariantMap)));
            path = given;
            listen(path);
        }
    }
    if (!request.answered_) {
        QEventLoop loop;
        QTimer patience;
        patience.setSingleShot(true);
        QObject::connect(&patience, &QTimer::timeout, &loop, &QEventLoop::quit);
        request.waiting_ = &loop;
        patience.start(answerMs);
        loop.exec();
        request.waiting_ = nullptr;
    }
    bus.disconnect(portalService, path, requestInterface, QStringLiteral("Response"), &request,
                   SLOT(response(uint, QVariantMap)));
    if (!request.answered_) return {PortalAnswer::NoAnswer, {}, "the desktop did not answer"};
    return request.answer_;
}

void PortalRequest::response(uint code, const QVariantMap& results) {
    answered_ = true;
    answer_.results = results;
    answer_.outcome = code == 0   ? PortalAnswer::Granted
                      : code == 1 ? PortalAnswer::Cancelled
                                  : PortalAnswer::Failed;
    if (answer_.outcome == PortalAnswer::Failed) answer_.error = "the desktop could not share the screen";
    if (waiting_) waiting_->quit();
}

} // namespace vexmira::platform::portal
