// The slide setup's list files: opening one (read whole before anything is replaced) and saving.
#include "FileNames.h"
#include "platform/FileSystem.h"
#include "uss.h"

#include <QApplication>
#include <QFileInfo>
#include <QProgressDialog>
#include <utility>

namespace vexmira::sources {

namespace {

const QString openFilter = "Torvessa Slide Show (*lvx) (*.lvx)";
const QString saveFilter = "Lumivane (*lvx) (*.lvx)";

} // namespace

void Tfss::XiButton2Click() {
    if (!beginListChange()) return;
    const auto chosen = questions_->fileToOpen(this, folder_, openFilter, false);
    if (!chosen) return;
    folder_ = QFileInfo(chosen->path).absolutePath();
    openListFile(chosen->path);
}

bool Tfss::takeEntries(const std::vector<std::filesystem::path>& slides, QStringList& missing) {
    // The whole list is read before anything is replaced: a cancel keeps the old one.
    changingList_ = true;
    std::vector<SlideEntry> kept = std::exchange(entries_, {});
    problems_.clear();
    QProgressDialog progress("Reading the slide list\u2026", "Cancel", 0, static_cast<int>(slides.size()),
                             this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    bool cancelled = false;
    for (std::size_t i = 0; i < slides.size() && !cancelled; ++i) {
        const std::filesystem::path& file = slides[i];
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error)) {
            missing << displayName(file);
        } else if (FileKind(file) != fkOther) {
            entries_.push_back(entryNoting(file));
        }
        if (i % 64 == 63) {
            progress.setValue(static_cast<int>(i) + 1);
            cancelled = progress.wasCanceled();
        }
    }
    progress.reset();
    changingList_ = false;
    if (cancelled) {
        entries_ = std::move(kept);
        problems_.clear();
    }
    return !cancelled;
}

bool Tfss::openListFile(const QString& path) {
    if (!beginListChange()) return false;
    const std::filesystem::path listFile = localPath(path);
    const platform::FileContent content = platform::readWholeFile(listFile);
    if (content.status != platform::ReadStatus::Read) {
        questions_->warn(this, QString("Cannot open %1: %2")
                                   .arg(path, content.status == platform::ReadStatus::Missing
                                                  ? QString("the file does not exist")
                                                  : QString::fromStdString(content.reason)));
        return false;
    }
    const SlideListRead read = readSlideList(content.bytes, listFile.parent_path());
    if (!read.ok) {
        questions_->warn(this, QString("Cannot open %1: line %2: %3. The slide list is left as it was.")
                                   .arg(path)
                                   .arg(read.badLine)
                                   .arg(QString::fromStdString(read.problem)));
        return false;
    }

    QStringList missing;
    if (!takeEntries(read.list.slides, missing)) return false;

    showEntries({});
    cbLoop->setChecked(read.list.loop);
    tbr->setPosition(read.list.duration);
    tbrChange();
    // The slide list text keeps the missing files' lines until it is next rebuilt.
    mm = {read.list.loop ? "1" : "0", std::to_string(read.list.duration)};
    for (const std::filesystem::path& file : read.list.slides)
        mm.push_back(file.native());
    if (!missing.isEmpty()) {
        QApplication::beep();
        questions_->exclaim(this, "Lumivane",
                            missing.size() == 1 ? "File does not exist " + missing.front()
                                                : "These files do not exist:\n" + listed(missing));
    }
    reportProblems();
    tabelaDblClick();
    return true;
}

void Tfss::XiButton3Click() {
    if (entries_.empty()) return;
    const QString chosen = questions_->fileToSave(this, folder_, {}, saveFilter, "lvx", true);
    if (chosen.isEmpty()) return;
    folder_ = QFileInfo(chosen).absolutePath();
    saveListFile(chosen);
}

bool Tfss::saveListFile(const QString& path) {
    Button1Click();
    SlideListFile list;
    list.loop = cbLoop->Checked();
    list.duration = tbr->Position();
    for (const SlideEntry& entry : entries_)
        list.slides.push_back(entry.path);
    return saveOrWarn(*questions_, this, path, writeSlideList(list));
}

} // namespace vexmira::sources
