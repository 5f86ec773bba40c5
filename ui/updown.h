#pragma once

#include <QLineEdit>
#include <QSpinBox>

// An up-down spinner bound to its text field. Click() is raised only for a user step (an arrow,
// the Up/Down keys, the wheel) that really moved the position; setting the value from code, or
// a step against the end of the range, raises nothing.
class TUpDown : public QSpinBox {
    Q_OBJECT
public:
    explicit TUpDown(QWidget* parent = nullptr);

    // The field that shows the position (read-only for the fields that only display it).
    QLineEdit* Field() const { return lineEdit(); }
    // Position as read by the commands: the value typed into the field counts, even before the
    // field has lost the focus.
    int Position();

    void stepBy(int steps) override;

protected:
    // Page Up and Page Down are not steps of an up-down spinner.
    void keyPressEvent(QKeyEvent* event) override;

signals:
    void Click();
};
