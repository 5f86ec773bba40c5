#include "ui/updown.h"

#include <QKeyEvent>

TUpDown::TUpDown(QWidget* parent) : QSpinBox(parent)
{
    setKeyboardTracking(true);
    setAccelerated(false);
}

int TUpDown::Position()
{
    // A value typed but not yet confirmed is taken as the position.
    interpretText();
    return value();
}

void TUpDown::stepBy(int steps)
{
    valueBeforeStep_ = value();
    textBeforeStep_ = Field()->text();
    const int before = Position();
    QSpinBox::stepBy(steps);
    if (value() != before)
        emit Click();
}

void TUpDown::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) {
        event->ignore();
        return;
    }
    QSpinBox::keyPressEvent(event);
}
