#pragma once

#include "widgets/XiButton.h"

#include <QDialog>
#include <QLabel>
#include <QToolButton>
#include <QUrl>
#include <functional>
#include <string>
#include <vector>

namespace vexmira::app {

// The about window: the name and version, links to the web pages and the support address, and
// two ways to tell others about the program.
class Tfabout : public QDialog {
    Q_OBJECT
  public:
    explicit Tfabout(QWidget* parent = nullptr);

    QLabel* Label2 = nullptr;                // the version
    QToolButton* Image1 = nullptr;           // Twitter
    QToolButton* Image2 = nullptr;           // E-mail
    widgets::TXiButton* XiButton1 = nullptr; // OK

    // How the window reaches other programs; tests watch them instead.
    std::function<bool(const QUrl&)> openUrl;
    std::function<bool(const QString& program, const QStringList& arguments)> startProgram;
    std::function<void(const QString& text)> sayError;

    void Image1Click(); // Twitter share
    void Image2Click(); // e-mail share
    // Opens the user's mail program on the message that `fields` ("to=", "subject=", "body=",
    // "attachment0=", ...) describe. False, after the message "Error while trying to send
    // email", when there is no way to.
    bool sendMail(const std::vector<std::string>& fields);

  protected:
    void showEvent(QShowEvent* event) override;
};

extern Tfabout* fabout;

} // namespace vexmira::app
