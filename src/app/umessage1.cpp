#include "umessage1.h"

#include "ArtWork.h"
#include "mainunit.h"
#include "platform/IniFile.h"
#include "sources/FileNames.h"
#include "widgets/WindowLook.h"

#include <QKeyEvent>
#include <QPixmap>

namespace vexmira::app {

namespace {

const char* const options = "Options";
const char* const key = "optIkonAgain";

} // namespace

Tfmessage::Tfmessage(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle("Vexmira");
    setFixedSize(437, 342);
    widgets::setBackgroundColour(this, Qt::white);
    Image1 = new QLabel(this);
    Image1->setPixmap(QPixmap::fromImage(trayIllustration()));
    Image1->setGeometry(18, 8, 402, 207);
    QFont bold = font();
    bold.setBold(true);
    Label1 = new QLabel("The Vexmira icon is in your System Tray. Click on icon to start.", this);
    Label1->setFont(bold);
    Label1->setWordWrap(true);
    Label1->setGeometry(18, 232, 402, 30);
    CheckBox1 = new QCheckBox("Don't show again", this);
    CheckBox1->setFont(bold);
    CheckBox1->setGeometry(18, 264, 300, 22);
    Panel1 = new QWidget(this);
    Panel1->setGeometry(0, 342 - 41, 437, 41);
    widgets::setBackgroundColour(Panel1, QColor(0, 128, 255));
    bb1 = new QPushButton("OK", Panel1);
    bb1->setGeometry(437 - 95, 8, 85, 25);
    bb1->setDefault(true);
    connect(bb1, &QPushButton::clicked, this, &Tfmessage::bb1Click);
}

bool Tfmessage::wanted() {
    const SettingsFiles files = settingsFiles();
    const platform::IniFile file(sources::localPath(files.read));
    return file.readInteger(options, key, 0) != 1;
}

void Tfmessage::bb1Click() {
    const SettingsFiles files = settingsFiles();
    if (!files.write.isEmpty() && !(MainForm && MainForm->settingsReadOnly())) {
        platform::IniFile file = settingsFileToWrite(files);
        if (!file.unreadableReason()) {
            file.writeInteger(options, key, CheckBox1->isChecked() ? 1 : 0);
            std::string problem;
            if (!file.save(&problem) && MainForm)
                MainForm->reportSettingsWriteProblem(files.write, QString::fromStdString(problem));
        }
    }
    accept();
}

void Tfmessage::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        bb1Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Tfmessage::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    widgets::centreOnPrimaryScreen(this);
}

} // namespace vexmira::app
