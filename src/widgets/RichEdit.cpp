#include "RichEdit.h"

#include "FontNameBox.h"

#include "richtext/RtfWriter.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <cmath>
#include <memory>
#include <unordered_map>

namespace vexmira::widgets {

namespace {

constexpr double twipsPerPixel = 15.0; // 1440 twips an inch, 96 pixels an inch
// A bullet paragraph's hanging indent (twips, negative), kept while the list's marker fills it.
constexpr int hangingIndentProperty = QTextFormat::UserProperty + 1;

QColor colourOf(richtext::Colour c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}
richtext::Colour colourOf(const QColor& c) {
    return static_cast<richtext::Colour>(c.red() | c.green() << 8 | c.blue() << 16);
}
int twips(double pixels) {
    return static_cast<int>(std::lround(pixels * twipsPerPixel));
}
// A font's size in points, also when it was set in pixels (96 to the inch).
double pointsOf(const QFont& font) {
    if (font.pointSizeF() > 0) return font.pointSizeF();
    return font.pixelSize() > 0 ? font.pixelSize() * 72.0 / 96.0 : 12.0;
}

QTextBlockFormat blockFormatOf(const richtext::Paragraph& p) {
    QTextBlockFormat format;
    switch (p.alignment) {
    case richtext::Alignment::Left:
        format.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
        break;
    case richtext::Alignment::Right:
        format.setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
        break;
    case richtext::Alignment::Centre:
        format.setAlignment(Qt::AlignHCenter);
        break;
    case richtext::Alignment::Justified:
        format.setAlignment(Qt::AlignJustify);
        break;
    }
    format.setLeftMargin(p.leftIndent / twipsPerPixel);
    format.setRightMargin(p.rightIndent / twipsPerPixel);
    if (p.bullet && p.firstLineIndent < 0) {
        // A hanging indent is where the bullet goes: every line of the text starts at the left
        // indent, as the program that wrote the file lays it out; the indent is written back.
        format.setProperty(hangingIndentProperty, p.firstLineIndent);
    } else {
        format.setTextIndent(p.firstLineIndent / twipsPerPixel);
    }
    format.setTopMargin(p.spaceBefore / twipsPerPixel);
    format.setBottomMargin(p.spaceAfter / twipsPerPixel);
    return format;
}

QTextCharFormat charFormatOf(const richtext::CharFormat& f) {
    QTextCharFormat format;
    if (!f.font.empty()) format.setFontFamilies({QString::fromStdString(f.font)});
    format.setFontPointSize(f.halfPoints / 2.0);
    format.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(f.italic);
    format.setFontUnderline(f.underline);
    format.setFontStrikeOut(f.strikeOut);
    if (f.colour) format.setForeground(colourOf(*f.colour));
    if (f.highlight) format.setBackground(colourOf(*f.highlight));
    return format;
}

richtext::CharFormat modelFormatOf(const QTextCharFormat& format, const QFont& documentFont) {
    richtext::CharFormat f;
    // The family as others know it: no foundry, and the page's own where the text names none
    // (a file without a font table), so that other programs do not invent one.
    const QStringList families = format.fontFamilies().toStringList();
    QString family = families.isEmpty() ? QString() : plainFamily(families.front());
    if (family.isEmpty()) family = plainFamily(documentFont.family());
    f.font = family.toStdString();
    const double points =
        format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize() : pointsOf(documentFont);
    f.halfPoints = std::max(1, static_cast<int>(std::lround(points * 2)));
    f.bold = format.fontWeight() >= QFont::DemiBold;
    f.italic = format.fontItalic();
    f.underline = format.fontUnderline();
    f.strikeOut = format.fontStrikeOut();
    if (format.foreground().style() != Qt::NoBrush) f.colour = colourOf(format.foreground().color());
    if (format.background().style() != Qt::NoBrush) f.highlight = colourOf(format.background().color());
    return f;
}

bool isBulletList(const QTextList* list) {
    if (!list) return false;
    const QTextListFormat::Style style = list->format().style();
    return style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle ||
           style == QTextListFormat::ListSquare;
}

} // namespace

void fillTextDocument(QTextDocument& target, const richtext::Document& document) {
    const bool undo = target.isUndoRedoEnabled();
    target.setUndoRedoEnabled(false);
    target.clear();
    QTextCursor cursor(&target);
    cursor.beginEditBlock();
    QTextList* list = nullptr;
    bool first = true;
    for (const richtext::Paragraph& paragraph : document.paragraphs) {
        const QTextBlockFormat blockFormat = blockFormatOf(paragraph);
        const QTextCharFormat paragraphMark =
            charFormatOf(paragraph.runs.empty() ? richtext::CharFormat{} : paragraph.runs.front().format);
        if (first)
            cursor.setBlockFormat(blockFormat), cursor.setBlockCharFormat(paragraphMark);
        else
            cursor.insertBlock(blockFormat, paragraphMark);
        first = false;
        if (paragraph.bullet) {
            if (list) {
                list->add(cursor.block());
            } else {
                QTextListFormat listFormat;
                listFormat.setStyle(QTextListFormat::ListDisc);
                listFormat.setIndent(0);
                list = cursor.createList(listFormat);
            }
        } else {
            list = nullptr;
        }
        for (const richtext::Run& run : paragraph.runs)
            cursor.insertText(QString::fromStdString(run.text), charFormatOf(run.format));
    }
    cursor.endEditBlock();
    target.setUndoRedoEnabled(undo);
    target.setModified(false);
}

richtext::Document modelOfTextDocument(const QTextDocument& source) {
    richtext::Document document;
    const QFont documentFont = source.defaultFont();
    // Formats are shared by many fragments: each is converted once.
    std::unordered_map<int, richtext::CharFormat> formats;
    const QTextDocument* doc = &source;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        richtext::Paragraph paragraph;
        const QTextBlockFormat format = block.blockFormat();
        const Qt::Alignment alignment = format.alignment() & Qt::AlignHorizontal_Mask;
        if (alignment & Qt::AlignHCenter)
            paragraph.alignment = richtext::Alignment::Centre;
        else if (alignment & Qt::AlignJustify)
            paragraph.alignment = richtext::Alignment::Justified;
        else if (alignment & Qt::AlignRight)
            paragraph.alignment = richtext::Alignment::Right;
        const QTextList* list = block.textList();
        const double listIndent = list ? list->format().indent() * doc->indentWidth() : 0.0;
        paragraph.leftIndent = twips(format.leftMargin() + listIndent + format.indent() * doc->indentWidth());
        paragraph.rightIndent = twips(format.rightMargin());
        paragraph.firstLineIndent = twips(format.textIndent());
        if (list && format.textIndent() == 0 && format.hasProperty(hangingIndentProperty))
            paragraph.firstLineIndent = format.intProperty(hangingIndentProperty);
        paragraph.spaceBefore = twips(format.topMargin());
        paragraph.spaceAfter = twips(format.bottomMargin());
        paragraph.bullet = isBulletList(list);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            auto known = formats.find(fragment.charFormatIndex());
            if (known == formats.end())
                known = formats
                            .emplace(fragment.charFormatIndex(),
                                     modelFormatOf(fragment.charFormat(), documentFont))
                            .first;
            QString text = fragment.text();
            text.remove(QChar::ObjectReplacementCharacter);
            richtext::appendText(paragraph, text.toStdString(), known->second);
        }
        document.paragraphs.push_back(std::move(paragraph));
    }
    return document;
}

void printTextDocument(const QTextDocument& source, QPrinter& printer) {
    const std::unique_ptr<QTextDocument> document(source.clone());
    QPainter painter(&printer);
    if (!painter.isActive()) return;
    document->documentLayout()->setPaintDevice(&printer);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    document->setPageSize(page.size());
    const int pages = document->pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0) printer.newPage();
        painter.save();
        const QRectF shown(0, i * page.height(), page.width(), page.height());
        painter.translate(0, -shown.top());
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = shown;
        context.palette.setColor(QPalette::Text, Qt::black);
        painter.setClipRect(shown);
        document->documentLayout()->draw(&painter, context);
        painter.restore();
    }
}

TRichEdit::TRichEdit(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

richtext::ReadResult TRichEdit::loadText(std::string_view bytes, bool plainOnly) {
    richtext::CharFormat plain;
    const QFont font = document()->defaultFont();
    plain.font = font.family().toStdString();
    plain.halfPoints = std::max(1, static_cast<int>(std::lround(pointsOf(font) * 2)));
    richtext::ReadResult result =
        plainOnly ? richtext::readPlainText(bytes, plain) : richtext::readRichOrPlainText(bytes, plain);
    if (result.error.empty()) setModel(result.document);
    return result;
}

void TRichEdit::setModel(const richtext::Document& document) {
    fillTextDocument(*this->document(), document);
}

std::string TRichEdit::richText() const {
    return richtext::writeRtf(model());
}

void TRichEdit::copyFrom(const TRichEdit& source) {
    const std::string stream = source.richText();
    loadText(stream);
}

} // namespace vexmira::widgets
