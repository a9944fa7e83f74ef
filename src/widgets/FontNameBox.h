#pragma once

#include <QComboBox>

namespace vexmira::widgets {

// A sorted list of the installed font families. In the open list each scalable family is marked
// with a glyph of two overlapping letters T; the closed box shows the name alone.
class FontNameBox : public QComboBox {
    Q_OBJECT
  public:
    explicit FontNameBox(QWidget* parent = nullptr);
    // Fills the list from the fonts installed now, each family once without its foundry, and
    // selects the first.
    void fillFromSystem();
    // Shows `family` (its foundry left off), or nothing when the list does not hold it.
    void showFamily(const QString& family);
};

// A family name without the foundry the font database adds where two makers give one name
// ("C059 [UKWN]" is "C059").
QString plainFamily(const QString& family);

} // namespace vexmira::widgets
