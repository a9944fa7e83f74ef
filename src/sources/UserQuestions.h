#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>
#include <string_view>

class QPrinter;
class QWidget;

namespace vexmira::sources {

// What a window asks the user: questions, files, colours and fonts. Tests answer in the user's
// place.
class UserQuestions {
  public:
    virtual ~UserQuestions() = default;
    enum class Answer { Yes, No, Cancel };
    struct FileToOpen {
        QString path;
        bool readOnly = false; // "Open as read-only" was ticked
    };
    // A question with Yes, No and Cancel.
    virtual Answer ask(QWidget* parent, const QString& question);
    // With `offerReadOnly`, the dialog has an "Open as read-only" box.
    virtual std::optional<FileToOpen> fileToOpen(QWidget* parent, const QString& folder,
                                                 const QString& filter, bool offerReadOnly = true);
    // Several files at once, in the order the dialog gives them; empty when the user cancelled.
    virtual QStringList filesToOpen(QWidget* parent, const QString& folder, const QString& filter);
    // Empty when the user cancelled. With `askBeforeOverwriting` the dialog asks about a file that
    // exists; otherwise the caller does.
    virtual QString fileToSave(QWidget* parent, const QString& folder, const QString& name,
                               const QString& filter, const QString& suffix = "rtf",
                               bool askBeforeOverwriting = false);
    // Sets the printer up; false when the user cancelled.
    virtual bool setUpPrinter(QWidget* parent, QPrinter& printer);
    virtual std::optional<QColor> colour(QWidget* parent, const QColor& start);
    virtual std::optional<QFont> font(QWidget* parent, const QFont& start);
    virtual void tell(QWidget* parent, const QString& text);
    virtual void warn(QWidget* parent, const QString& text);
    // A question with Yes and No under an exclamation mark, captioned "Vexmira".
    virtual bool confirm(QWidget* parent, const QString& question);
    // A message with an exclamation mark and OK, under `title`.
    virtual void exclaim(QWidget* parent, const QString& title, const QString& text);
};

// Writes `bytes` as the whole file `path`; when that fails, says why ("Cannot save ...") and
// gives false, the file as it was.
bool saveOrWarn(UserQuestions& questions, QWidget* parent, const QString& path, std::string_view bytes);

} // namespace vexmira::sources
