// The settings file "Vexmira.cfg": read when the control window is created, written when it is
// asked to close and when the program ends.
#include "CustomColors.h"
#include "ExtraSettings.h"
#include "mainunit.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "platform/UserValueStore.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

namespace vexmira::app {

int ScaleIndex = 1;
double CurrentScale = 1.0;
int RefreshRate = 5;
std::string HotKeyText = "None";
bool BeepOnSave = false;
bool AutohideAgain = false;

namespace {

constexpr const char* position = "Velikost";
constexpr const char* options = "Options";

std::filesystem::path toPath(const QString& text) {
    return std::filesystem::path(QFile::encodeName(text).toStdString());
}
QString fromPath(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

// An existing file the user may not write (its permission bits say so even where the user, as
// the administrator, could).
bool isReadOnlyFile(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0;
}

} // namespace

raster::ScaleMode scaleModeOfIndex(int index) {
    switch (index) {
    case 0:
        return raster::ScaleMode::smNormal;
    case 2:
        return raster::ScaleMode::smScale;
    case 3:
        return raster::ScaleMode::smOptimalScaled;
    case 4:
        return raster::ScaleMode::smStretch;
    default:
        return raster::ScaleMode::smOptimal;
    }
}

QRect primaryScreenRect() {
    QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->geometry() : QRect(0, 0, 640, 480);
}

SettingsFiles settingsFiles() {
    const QString folder =
        ProgramFolder.isEmpty() ? QCoreApplication::applicationDirPath() + "/" : ProgramFolder;
    const QString beside = folder + "Vexmira.cfg";
    // The system's program folders are no place for a user's settings, even where they can be
    // written (by the administrator).
    const bool installed =
        folder.startsWith("/usr/") || folder.startsWith("/bin/") || folder.startsWith("/sbin/");
    if (!installed && platform::isWritableFolder(toPath(folder))) return {beside, beside};
    const std::filesystem::path config = platform::userConfigFolder();
    if (config.empty()) return {beside, {}};
    const QString own = fromPath(config / "Vexmira.cfg");
    // An installed copy starts from the file shipped beside it until it has one of its own.
    if (platform::readWholeFile(config / "Vexmira.cfg").status == platform::ReadStatus::Missing)
        return {beside, own};
    return {own, own};
}

QString settingsFilePath() {
    return settingsFiles().write;
}

void TMainForm::reportSettingsProblem(const QString& text) {
    if (settingsProblemShown_) return;
    settingsProblemShown_ = true;
    // After the windows are up, on top of the control window.
    QTimer::singleShot(0, this, [this, text] { showErrorOver(this, text); });
}

void TMainForm::reportSettingsWriteProblem(const QString& path, const QString& problem) {
    if (writeProblemShown_) return;
    writeProblemShown_ = true;
    showErrorOver(this, "Cannot write the settings file " + path + ": " + problem +
                            ". The settings of this run are not kept.");
}

bool TMainForm::mayEnd() {
    const bool toldBefore = writeProblemShown_;
    bool kept = SaveSettings();
    if (!saveCustomColors()) {
        kept = false;
        reportSettingsWriteProblem(
            QString::fromStdString((platform::userConfigFolder() / "CustomColors").string()),
            "the custom colours of the colour dialogs cannot be kept there");
    }
    // Told just now: the program stays so that the user can act; the next request ends it.
    return kept || toldBefore;
}

void TMainForm::LoadSettings() {
    const SettingsFiles files = settingsFiles();
    platform::removeStaleTemporaries(toPath(files.read));
    if (!files.write.isEmpty() && files.write != files.read)
        platform::removeStaleTemporaries(toPath(files.write));
    const platform::IniFile file(toPath(files.read));
    if (const auto& reason = file.unreadableReason()) {
        settingsUnreadable_ = files.read == files.write;
        reportSettingsProblem("Cannot read the settings file " + files.read + " (" +
                              QString::fromStdString(*reason) +
                              "). Vexmira runs with its default settings and leaves the file as it is.");
    } else if (!files.write.isEmpty() && files.write == files.read && isReadOnlyFile(toPath(files.write))) {
        settingsReadOnly_ = true;
        reportSettingsProblem("The settings file " + files.write +
                              " is read-only: Vexmira runs with it and does not save its settings.");
    } else if (files.write.isEmpty()) {
        reportSettingsProblem(
            "There is no folder where Vexmira can keep its settings: " + ProgramFolder +
            " cannot be written and there is no home folder. The settings of this run will not be kept.");
    }

    // Positions are kept relative to the primary monitor's top-left corner.
    const QRect primary = primaryScreenRect();
    int left = file.readInteger(position, "Levo", primary.width() - 500);
    int top = file.readInteger(position, "Gor", 100);
    // Back onto the primary screen.
    if (left < 0) left = 5;
    if (left > primary.width() - width()) left = 5;
    if (top > primary.height() - 50) top = 5;
    if (top < 5) top = 5;
    moveTo({primary.x() + left, primary.y() + top});

    // Only 1 turns a switch on; values the options cannot show read as their defaults.
    Overlay.showCursor = file.readInteger(options, "optShowcursor", 0) == 1;
    Overlay.showRedPoint = file.readInteger(options, "optShowRedPoint", 0) == 1;
    DisplayScale.centred = file.readInteger(options, "optCenter", 1) == 1;
    ScaleIndex = file.readInteger(options, "optScaleIndex", 1);
    if (ScaleIndex < 0 || ScaleIndex > 4) ScaleIndex = 1;
    DisplayScale.mode = scaleModeOfIndex(ScaleIndex);
    double percent = file.readFloat(options, "opScaleValue", 100.0);
    if (!std::isfinite(percent) || percent <= 0) percent = 100.0;
    CurrentScale = percent / 100.0;
    DisplayScale.scale = CurrentScale;
    // A rate of 0 would divide by zero when it is applied.
    RefreshRate = std::clamp(file.readInteger(options, "refreshRate", 5), 1, 1000);
    LoadatS1->setChecked(file.readInteger(options, "Start", 0) == 1);
    ShowHint->setChecked(file.readInteger(options, "showHint", 1) == 1);
    PAnelHint->move(ShowHint->isChecked() ? 44 : -100, PAnelHint->y());
    AutohideAgain = file.readBool(options, "optAutohideagain", false);
    AutoHide1->setChecked(file.readInteger(options, "optAutohide", 0) == 1);
    if (AutoHide1->isChecked())
        Timer2->start();
    else
        Timer2->stop();
    HotKeyText = file.readString(options, "HotKey", "None");
    BeepOnSave = file.readInteger(options, "CbBeep", 0) == 1;
    Extras = readExtraSettings(file);
}

platform::IniFile settingsFileToWrite(const SettingsFiles& files) {
    platform::IniFile file(toPath(files.write));
    // The user's own file does not exist yet: it starts as a copy of the one beside the program.
    if (files.write != files.read && !file.unreadableReason() &&
        platform::readWholeFile(toPath(files.write)).status == platform::ReadStatus::Missing)
        file = platform::IniFile(toPath(files.write), platform::readWholeFile(toPath(files.read)).bytes);
    return file;
}

bool TMainForm::SaveSettings() {
    const SettingsFiles files = settingsFiles();
    // A file that could not be read is not replaced by one holding only this run's values, and a
    // read-only one stays as the user made it (both were said at the start).
    if (files.write.isEmpty() || settingsUnreadable_ || settingsReadOnly_) return true;
    platform::IniFile file = settingsFileToWrite(files);
    const QRect primary = primaryScreenRect();
    const QPoint place = placeOnDesktop() - primary.topLeft();
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
    file.writeString(options, "HotKey", HotKeyText);
    file.writeInteger(options, "CbBeep", BeepOnSave ? 1 : 0);
    writeExtraSettings(file, Extras);
    std::string problem;
    if (file.save(&problem)) return true;
    reportSettingsWriteProblem(files.write, QString::fromStdString(problem));
    return false;
}

} // namespace vexmira::app
