#pragma once

#include <QComboBox>

namespace vexmira::widgets {

// A sorted list of the installed font families. In the open list each scalable family is marked
// with a glyph of two overlapping letters T; the closed box shows the name alone.
class FontNameBox : public QComboBox {
    Q_OBJECT
  public:
    explicit FontNameBox(QWidget* parent = nullptr);
    // Fills the list from the fonts installed now and selects the first.
    void fillFromSystem();
};

} // namespace vexmira::widgets
