#include "FontNameBox.h"

#include <QFontDatabase>
#include <QPainter>
#include <QStyledItemDelegate>

namespace vexmira::widgets {

namespace {

constexpr int scalableRole = Qt::UserRole + 1;
constexpr int itemHeight = 16;

// Two overlapping letters T, 12 x 12: grey at the origin, black 4 right and 3 down.
void drawScalableGlyph(QPainter& p, QPoint origin) {
    auto letterT = [&p](QPoint at, const QColor& colour) {
        p.fillRect(at.x(), at.y(), 8, 2, colour);
        p.fillRect(at.x() + 3, at.y(), 2, 9, colour);
    };
    letterT(origin, QColor(128, 128, 128));
    letterT(origin + QPoint(4, 3), Qt::black);
}

class FontItemDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width() + 16, itemHeight};
    }

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        p->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
        if (index.data(scalableRole).toBool()) drawScalableGlyph(*p, option.rect.topLeft() + QPoint(2, 2));
        p->setPen(selected ? option.palette.highlightedText().color() : option.palette.text().color());
        p->setFont(option.font);
        p->drawText(option.rect.adjusted(16, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                    index.data(Qt::DisplayRole).toString());
    }
};

} // namespace

FontNameBox::FontNameBox(QWidget* parent) : QComboBox(parent) {
    setItemDelegate(new FontItemDelegate(this));
    QFont own("MS Sans Serif");
    own.setPointSize(8);
    own.setBold(false);
    setFont(own);
    setMaxVisibleItems(20);
}

QString plainFamily(const QString& family) {
    const QString trimmed = family.trimmed();
    if (trimmed.endsWith(']')) {
        const qsizetype open = trimmed.lastIndexOf(" [");
        if (open > 0) return trimmed.left(open);
    }
    return trimmed;
}

void FontNameBox::fillFromSystem() {
    clear();
    QStringList families;
    for (const QString& family : QFontDatabase::families())
        if (!QFontDatabase::isPrivateFamily(family)) families << plainFamily(family);
    families.sort(Qt::CaseInsensitive);
    families.removeDuplicates();
    for (const QString& family : families) {
        addItem(family);
        setItemData(count() - 1, QFontDatabase::isSmoothlyScalable(family), scalableRole);
    }
    if (count() > 0) setCurrentIndex(0);
}

void FontNameBox::showFamily(const QString& family) {
    setCurrentIndex(findText(plainFamily(family), Qt::MatchFixedString));
}

} // namespace vexmira::widgets
