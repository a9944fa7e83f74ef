// A key for the whole desktop where the desktop binds keys itself, through its portal's global
// shortcuts: the program names what the key is for and the key it would like; the desktop may
// ask its user, and says when the key is pressed.
#include "PortalRequest.h"
#include "platform/Log.h"
#include "platform/backends/Backends.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusObjectPath>

namespace vexmira::platform::portal {

namespace {

const QString globalShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
constexpr int replyMs = 5000;
constexpr int dialogMs = 5 * 60 * 1000; // the desktop may ask its user to confirm the key

// One shortcut as the portal takes it, (sa{sv}).
struct ShortcutEntry {
    QString id;
    QVariantMap properties;
};

// The portal's way of writing keys: modifiers in capitals, "CTRL+SHIFT+F11".
QString triggerOf(const std::string& text) {
    QStringList parts = QString::fromStdString(text).split('+');
    for (int i = 0; i + 1 < parts.size(); ++i)
        parts[i] = parts[i].toUpper();
    return parts.join('+');
}

} // namespace

} // namespace vexmira::platform::portal

Q_DECLARE_METATYPE(vexmira::platform::portal::ShortcutEntry)

QDBusArgument& operator<<(QDBusArgument& argument, const vexmira::platform::portal::ShortcutEntry& entry) {
    argument.beginStructure();
    argument << entry.id << entry.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument,
                                vexmira::platform::portal::ShortcutEntry& entry) {
    argument.beginStructure();
    argument >> entry.id >> entry.properties;
    argument.endStructure();
    return argument;
}

namespace vexmira::platform::portal {

class PortalGlobalShortcut final : public QObject, public GlobalHotKey {
    Q_OBJECT
  public:
    explicit PortalGlobalShortcut(HotKeyUse use) : use_(std::move(use)) {
        static const bool registered = [] {
            qDBusRegisterMetaType<ShortcutEntry>();
            qDBusRegisterMetaType<QList<ShortcutEntry>>();
            return true;
        }();
        (void)registered;
        QDBusConnection::sessionBus().connect(portalService, portalPath, globalShortcuts,
                                              QStringLiteral("Activated"), this,
                                              SLOT(activated(QDBusMessage)));
    }
    ~PortalGlobalShortcut() override { release(); }

    bool grab(const KeyChord& chord) override {
        if (binding_) return false; // the desktop is still answering the last request
        binding_ = true;
        const bool bound = bind(chord);
        binding_ = false;
        return bound;
    }

    void release() override {
        grabbed_ = false;
        if (session_.isEmpty()) return;
        // Closing the session lets the key go.
        QDBusMessage closing = QDBusMessage::createMethodCall(
            portalService, session_, QStringLiteral("org.freedesktop.portal.Session"),
            QStringLiteral("Close"));
        QDBusConnection::sessionBus().call(closing, QDBus::NoBlock);
        session_.clear();
    }

    bool grabbed() const override { return grabbed_; }
    void onPress(std::function<void()> handler) override { press_ = std::move(handler); }

  private:
    bool bind(const KeyChord& chord) {
        release();
        static int serial = 0;
        const PortalAnswer created =
            PortalRequest::call(globalShortcuts, QStringLiteral("CreateSession"),
                                {QVariantMap{{QStringLiteral("session_handle_token"),
                                              QStringLiteral("vexmira_keys%1").arg(++serial)}}},
                                replyMs, replyMs);
        if (created.outcome != PortalAnswer::Granted) return refused(created);
        session_ = created.results.value(QStringLiteral("session_handle")).toString();
        if (session_.isEmpty()) return false;
        const QList<ShortcutEntry> shortcuts{
            {QString::fromStdString(use_.id),
             {{QStringLiteral("description"), QString::fromStdString(use_.description)},
              {QStringLiteral("preferred_trigger"), triggerOf(chord.text)}}}};
        const PortalAnswer bound =
            PortalRequest::call(globalShortcuts, QStringLiteral("BindShortcuts"),
                                {QVariant::fromValue(QDBusObjectPath(session_)),
                                 QVariant::fromValue(shortcuts), QString(), QVariantMap()},
                                replyMs, dialogMs);
        if (bound.outcome != PortalAnswer::Granted) {
            release();
            return refused(bound);
        }
        grabbed_ = true;
        return true;
    }

  private slots:
    // Activated(o session_handle, s shortcut_id, t timestamp, a{sv} options)
    void activated(const QDBusMessage& message) {
        const QList<QVariant> arguments = message.arguments();
        if (!grabbed_ || arguments.size() < 2 || !press_) return;
        if (arguments[0].value<QDBusObjectPath>().path() == session_ &&
            arguments[1].toString().toStdString() == use_.id)
            press_();
    }

  private:
    bool refused(const PortalAnswer& answer) {
        if (answer.outcome != PortalAnswer::Cancelled)
            logLine(logSystem, LogLevel::Warning,
                    "the desktop did not bind the key for \"" + use_.id +
                        "\": " + answer.error.toStdString());
        return false;
    }

    HotKeyUse use_;
    QString session_;
    bool grabbed_ = false;
    bool binding_ = false;
    std::function<void()> press_;
};

bool portalBindsKeys() {
    // Asked once at start; a portal slow to answer counts as one without the keys.
    return PortalRequest::numberProperty(globalShortcuts, QStringLiteral("version"), 200) >= 1;
}

std::unique_ptr<GlobalHotKey> openGlobalHotKey(const HotKeyUse& use) {
    return std::make_unique<PortalGlobalShortcut>(use);
}

} // namespace vexmira::platform::portal

#include "PortalGlobalShortcut.moc"
