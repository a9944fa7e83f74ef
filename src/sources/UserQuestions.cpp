#include "UserQuestions.h"

#include "FileNames.h"
#include "platform/FileSystem.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace vexmira::sources {

UserQuestions::Answer UserQuestions::ask(QWidget* parent, const QString& question) {
    const auto button = QMessageBox::question(parent, "Vexmira", question,
                                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    return button == QMessageBox::Yes ? Answer::Yes : button == QMessageBox::No ? Answer::No : Answer::Cancel;
}

std::optional<UserQuestions::FileToOpen>
UserQuestions::fileToOpen(QWidget* parent, const QString& folder, const QString& filter, bool offerReadOnly) {
    QFileDialog dialog(parent, "Open", folder, filter);
    // The toolkit's own dialog, so that it can carry the read-only box.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    auto* readOnly = new QCheckBox("Open as read-only", &dialog);
    readOnly->setVisible(offerReadOnly);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(readOnly, grid->rowCount(), 0, 1, -1);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return FileToOpen{dialog.selectedFiles().front(), readOnly->isChecked()};
}

QStringList UserQuestions::filesToOpen(QWidget* parent, const QString& folder, const QString& filter) {
    QFileDialog dialog(parent, "Open", folder, filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

QString UserQuestions::fileToSave(QWidget* parent, const QString& folder, const QString& name,
                                  const QString& filter, const QString& suffix, bool askBeforeOverwriting) {
    QFileDialog dialog(parent, "Save As", folder, filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !askBeforeOverwriting);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    if (!name.isEmpty()) dialog.selectFile(name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

bool UserQuestions::setUpPrinter(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<QColor> UserQuestions::colour(QWidget* parent, const QColor& start) {
    const QColor chosen = QColorDialog::getColor(start, parent);
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
}

std::optional<QFont> UserQuestions::font(QWidget* parent, const QFont& start) {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, start, parent);
    if (!ok) return std::nullopt;
    return chosen;
}

void UserQuestions::tell(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, "Vexmira", text);
}

void UserQuestions::warn(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, "Vexmira", text);
}

bool UserQuestions::confirm(QWidget* parent, const QString& question) {
    QMessageBox box(QMessageBox::Warning, "Vexmira", question, QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

void UserQuestions::exclaim(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool saveOrWarn(UserQuestions& questions, QWidget* parent, const QString& path, std::string_view bytes) {
    try {
        platform::writeFileAtomically(localPath(path), bytes);
    } catch (const platform::FileError& error) {
        questions.warn(parent,
                       QString("Cannot save %1: %2").arg(path, QString::fromStdString(error.problem())));
        return false;
    }
    return true;
}

} // namespace vexmira::sources
