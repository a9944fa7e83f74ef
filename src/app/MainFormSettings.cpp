// The settings file "Vexmira.cfg": read when the control window is created, written when it is
// asked to close and when the program ends.
#include "IniFile.h"
#include "mainunit.h"
#include "platform/UserValueStore.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <unistd.h>

namespace vexmira::app {

int ScaleIndex = 1;
double CurrentScale = 1.0;
int RefreshRate = 5;
QString HotKeyText = "None";
bool BeepOnSave = false;
bool AutohideAgain = false;

namespace {

constexpr const char* position = "Velikost";
constexpr const char* options = "Options";

} // namespace

raster::ScaleMode scaleModeOfIndex(int index) {
    switch (index) {
    case 0: return raster::ScaleMode::smNormal;
    case 2: return raster::ScaleMode::smScale;
    case 3: return raster::ScaleMode::smOptimalScaled;
    case 4: return raster::ScaleMode::smStretch;
    default: return raster::ScaleMode::smOptimal;
    }
}

QString settingsFilePath() {
    const QString folder = ProgramFolder.isEmpty() ? QDir::currentPath() + "/" : ProgramFolder;
    if (::access(QFile::encodeName(folder).constData(), W_OK) == 0) return folder + "Vexmira.cfg";
    return QString::fromStdString((platform::userConfigFolder() / "Vexmira.cfg").string());
}

void TMainForm::LoadSettings() {
    const IniFile file(settingsFilePath().toStdString());
    const QRect primary = QGuiApplication::primaryScreen()->geometry();
    int left = file.readInteger(position, "Levo", primary.width() - 500);
    int top = file.readInteger(position, "Gor", 100);
    // Back onto the primary screen.
    if (left < 0) left = 5;
    if (left > primary.width() - width()) left = 5;
    if (top > primary.height() - 50) top = 5;
    if (top < 5) top = 5;
    move(left, top);

    Overlay.showCursor = file.readInteger(options, "optShowcursor", 0) != 0;
    Overlay.showRedPoint = file.readInteger(options, "optShowRedPoint", 0) != 0;
    DisplayScale.centred = file.readInteger(options, "optCenter", 1) != 0;
    ScaleIndex = file.readInteger(options, "optScaleIndex", 1);
    DisplayScale.mode = scaleModeOfIndex(ScaleIndex);
    CurrentScale = file.readFloat(options, "opScaleValue", 100.0) / 100.0;
    DisplayScale.scale = CurrentScale;
    RefreshRate = file.readInteger(options, "refreshRate", 5);
    LoadatS1->setChecked(file.readInteger(options, "Start", 0) == 1);
    ShowHint->setChecked(file.readInteger(options, "showHint", 1) == 1);
    PAnelHint->move(ShowHint->isChecked() ? 44 : -100, PAnelHint->y());
    AutohideAgain = file.readBool(options, "optAutohideagain", false);
    AutoHide1->setChecked(file.readInteger(options, "optAutohide", 0) == 1);
    if (AutoHide1->isChecked()) Timer2->start();
    else Timer2->stop();
    HotKeyText = QString::fromStdString(file.readString(options, "HotKey", "None"));
    BeepOnSave = file.readInteger(options, "CbBeep", 0) == 1;
}

void TMainForm::SaveSettings() {
    IniFile file(settingsFilePath().toStdString());
    const QPoint place = normalGeometry().isValid() && isMaximized() ? normalGeometry().topLeft() : pos();
    file.writeInteger(position, "Levo", place.x());
    file.writeInteger(position, "Gor", place.y());
    file.writeInteger(options, "optShowcursor", Overlay.showCursor ? 1 : 0);
    file.writeInteger(options, "optShowredpoint", Overlay.showRedPoint ? 1 : 0);
    file.writeInteger(options, "Start", LoadatS1->isChecked() ? 1 : 0);
    file.writeInteger(options, "optCenter", DisplayScale.centred ? 1 : 0);
    file.writeInteger(options, "optScaleIndex", ScaleIndex);
    file.writeFloat(options, "opScaleValue", CurrentScale * 100.0);
    file.writeInteger(options, "refreshRate", RefreshRate);
    file.writeBool(options, "optAutohideagain", AutohideAgain);
    file.writeInteger(options, "optAutohide", AutoHide1->isChecked() ? 1 : 0);
    file.writeInteger(options, "ShowHint", ShowHint->isChecked() ? 1 : 0);
    file.writeInteger(options, "optStbar", 0);
    file.writeString(options, "HotKey", HotKeyText.toStdString());
    file.writeInteger(options, "CbBeep", BeepOnSave ? 1 : 0);
    if (!file.save()) showError("Cannot write the settings file " + settingsFilePath() + ".");
}

} // namespace vexmira::app
