#pragma once

#include "richtext/Document.h"
#include "richtext/RtfReader.h"

#include <QTextEdit>
#include <string>
#include <string_view>

class QPrinter;
class QTextDocument;

namespace vexmira::widgets {

// Fills `target` with the document: paragraphs become blocks (bullet paragraphs a disc list),
// runs fragments. Twips become pixels at 96 per inch. Not undoable.
void fillTextDocument(QTextDocument& target, const richtext::Document& document);
// The document a text document shows. Pictures and other objects in it are left out.
richtext::Document modelOfTextDocument(const QTextDocument& source);

// Prints the document page by page at the printer's resolution, without the page numbers that
// QTextDocument::print adds.
void printTextDocument(const QTextDocument& source, QPrinter& printer);

// A rich edit: a text edit that loads and saves rich text through the program's own reader and
// writer.
class TRichEdit : public QTextEdit {
    Q_OBJECT
  public:
    explicit TRichEdit(QWidget* parent = nullptr);

    // Loads rich text, or plain text when the bytes are not rich text (always, with `plainOnly`).
    // On an error the content stays as it was and the result says why.
    richtext::ReadResult loadText(std::string_view bytes, bool plainOnly = false);
    void setModel(const richtext::Document& document);
    richtext::Document model() const { return modelOfTextDocument(*document()); }
    // The content as rich text.
    std::string richText() const;
    // Copies another rich edit's content through rich text, as a stream between two controls.
    void copyFrom(const TRichEdit& source);
};

} // namespace vexmira::widgets
