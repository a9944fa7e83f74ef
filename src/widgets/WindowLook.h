#pragma once

#include "XiButton.h"

#include <QColor>
#include <QRect>
#include <QString>

class QWidget;

namespace vexmira::widgets {

// The colours and buttons the program's dialogs share.
void setBackgroundColour(QWidget* widget, const QColor& colour);
void setTextColour(QWidget* widget, const QColor& colour);
// Moves a window to the middle of the primary screen.
void centreOnPrimaryScreen(QWidget* window);
// A gradient button in the dialogs' scheme, at `place`; Enter does not press it.
TXiButton* dialogButton(QWidget* parent, const QString& caption, QRect place);

} // namespace vexmira::widgets
