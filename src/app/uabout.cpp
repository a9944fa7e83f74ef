#include "uabout.h"

#include "MailRequest.h"
#include "ProductLinks.h"
#include "platform/MailComposer.h"
#include "widgets/WindowLook.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>

namespace vexmira::app {

Tfabout* fabout = nullptr;

namespace {

const char* const shareText = "You can show documents, catalogues, plans a uniquely simple way.";
const char* const mailSubject =
    "Designed to mirror the main monitor to another monitor or other kind of display....";

QIcon shareIcon(bool mail) {
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (mail) { // an envelope
        p.setPen(QPen(QColor(0x30, 0x34, 0x3C), 2));
        p.setBrush(QColor(0xFF, 0xE0, 0x90));
        p.drawRect(QRectF(3, 8, 26, 17));
        p.drawLine(QPointF(3, 8), QPointF(16, 18));
        p.drawLine(QPointF(29, 8), QPointF(16, 18));
    } else { // a blue disc with a speech mark
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1D, 0xA1, 0xF2));
        p.drawEllipse(QRectF(1, 1, 30, 30));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(8, 9, 16, 11), 3, 3);
        QPolygonF tail;
        tail << QPointF(11, 19) << QPointF(10, 25) << QPointF(16, 19);
        p.drawPolygon(tail);
    }
    return QIcon(QPixmap::fromImage(image));
}

QLabel* linkLabel(QWidget* parent, const QString& caption, const QString& shown, const QString& target,
                  int top, Tfabout* about) {
    auto* name = new QLabel(caption, parent);
    name->setGeometry(24, top, 90, 20);
    auto* link = new QLabel(
        QString("<a href=\"%1\">%2</a>").arg(target.toHtmlEscaped(), shown.toHtmlEscaped()), parent);
    link->setGeometry(114, top, 330, 20);
    link->setTextFormat(Qt::RichText);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    QObject::connect(link, &QLabel::linkActivated, about,
                     [about](const QString& url) { about->openUrl(QUrl(url, QUrl::StrictMode)); });
    return link;
}

} // namespace

Tfabout::Tfabout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle("About");
    setFixedSize(467, 364);
    widgets::setBackgroundColour(this, Qt::white);
    // The desktop's launcher for links; a missing one, or one that fails, is said.
    openUrl = [this](const QUrl& url) {
        const QString launcher = QStandardPaths::findExecutable("xdg-open");
        const QString shown = url.toString(QUrl::FullyEncoded);
        if (launcher.isEmpty()) {
            if (QDesktopServices::openUrl(url)) return true;
            sayError("Cannot open " + shown);
            return false;
        }
        auto* process = new QProcess(this);
        connect(process, &QProcess::finished, this,
                [this, process, shown](int code, QProcess::ExitStatus status) {
                    if (status != QProcess::NormalExit || code != 0) sayError("Cannot open " + shown);
                    process->deleteLater();
                });
        connect(process, &QProcess::errorOccurred, this,
                [this, process, shown](QProcess::ProcessError error) {
                    if (error != QProcess::FailedToStart) return;
                    sayError("Cannot open " + shown);
                    process->deleteLater();
                });
        process->start(launcher, {shown});
        return true;
    };
    startProgram = [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };
    sayError = [this](const QString& text) { QMessageBox::critical(this, "Error", text); };

    auto* name = new QLabel("Vexmira", this);
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPixelSize(16);
    name->setFont(bold);
    widgets::setTextColour(name, QColor(55, 155, 255));
    name->setGeometry(24, 24, 300, 24);
    Label2 = new QLabel("Version " + QString(VEXMIRA_VERSION), this);
    Label2->setGeometry(24, 54, 300, 20);
    linkLabel(this, "Internet: ", links::webPage, links::webPage, 100, this);
    linkLabel(this, "Internet 2: ", links::secondWebPage, links::secondWebPage, 126, this);
    linkLabel(this, "E-mail: ", links::supportMail, QString("mailto:") + links::supportMail, 152, this);

    auto* share = new QLabel("Share", this);
    share->setGeometry(24, 212, 80, 20);
    auto shareButton = [this](bool mail, int left, const QString& hint) {
        auto* b = new QToolButton(this);
        b->setGeometry(left, 204, 36, 36);
        b->setIconSize(QSize(32, 32));
        b->setIcon(shareIcon(mail));
        b->setAutoRaise(true);
        b->setToolTip(hint);
        b->setCursor(Qt::PointingHandCursor);
        return b;
    };
    Image1 = shareButton(false, 114, "Twitter");
    Image2 = shareButton(true, 156, "E-mail");
    connect(Image1, &QToolButton::clicked, this, &Tfabout::Image1Click);
    connect(Image2, &QToolButton::clicked, this, &Tfabout::Image2Click);

    auto* bar = new QWidget(this);
    bar->setGeometry(0, 364 - 41, 467, 41);
    widgets::setBackgroundColour(bar, QColor(0, 128, 255));
    XiButton1 = widgets::dialogButton(bar, "OK", {467 - 105, 7, 95, 27});
    XiButton1->setColorScheme(widgets::TXiButton::csNeoSilver);
    connect(XiButton1, &widgets::TXiButton::clicked, this, &QDialog::reject);
}

void Tfabout::Image1Click() {
    openUrl(QUrl(QString::fromStdString(twitterShareUrl(std::string(shareText) + " " + links::webPage)),
                 QUrl::StrictMode));
}

void Tfabout::Image2Click() {
    sendMail({std::string("subject=") + mailSubject,
              std::string("body=Vexmira ::: ") + mailSubject + "  Website: " + links::webPage});
}

bool Tfabout::sendMail(const std::vector<std::string>& fields) {
    const MailRequest request = mailRequestOf(fields);
    const QString mailer = QString::fromStdString(platform::mailComposerProgram());
    if (!mailer.isEmpty()) {
        QStringList arguments;
        for (const std::string& argument : xdgEmailArguments(request))
            arguments << QString::fromStdString(argument);
        if (startProgram(mailer, arguments)) return true;
    }
    if (openUrl(QUrl(QString::fromStdString(mailtoUrl(request)), QUrl::StrictMode))) return true;
    sayError("Error while trying to send email");
    return false;
}

void Tfabout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    widgets::centreOnPrimaryScreen(this);
}

} // namespace vexmira::app
