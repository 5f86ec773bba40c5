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

    // What the spinner showed just before its last step: position and field text. A handler
    // run by Click finds the new position already set.
    int ValueBeforeStep() const { return valueBeforeStep_; }
    QString TextBeforeStep() const { return textBeforeStep_; }

protected:
    // Page Up and Page Down are not steps of an up-down spinner.
    void keyPressEvent(QKeyEvent* event) override;

signals:
    void Click();

private:
    int valueBeforeStep_ = 0;
    QString textBeforeStep_;
};
