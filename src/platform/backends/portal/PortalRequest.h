#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QVariantMap>

class QEventLoop;

namespace vexmira::platform::portal {

inline const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");

// How the desktop answered one request of its portal.
struct PortalAnswer {
    enum Outcome { Granted, Cancelled, Failed, NoAnswer, Missing } outcome = NoAnswer;
    QVariantMap results;
    QString error; // for Failed, NoAnswer and Missing: what went wrong
};

// One call of a portal method that answers through a Request object: the call's options get a
// handle token of ours, and the answer is the Response signal of that request. Waits while the
// event loop runs, so the user interface goes on meanwhile.
class PortalRequest : public QObject {
    Q_OBJECT
  public:
    // `arguments` end with the options map, into which the handle token goes. The method itself
    // must reply within `replyMs`; its Response may take up to `answerMs` (a dialog the user
    // answers).
    static PortalAnswer call(const QString& interface, const QString& method, QVariantList arguments,
                             int replyMs, int answerMs);

    // A plain method call with its reply, waiting while the event loop runs; an error message
    // of type ErrorMessage when none came within `replyMs`.
    static QDBusMessage callAndWait(const QDBusMessage& message, int replyMs);

    // A property of one of the portal's interfaces as a number; 0 when the portal does not say
    // within `replyMs`.
    static unsigned numberProperty(const QString& interface, const QString& name, int replyMs);

  private slots:
    void response(uint code, const QVariantMap& results);

  private:
    PortalAnswer answer_;
    bool answered_ = false;
    QEventLoop* waiting_ = nullptr; // the loop that waits for the answer
};

} // namespace vexmira::platform::portal
