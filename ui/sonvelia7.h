#pragma once

#include <QDialog>

// Placeholder until the window is built.
class TForm7 : public QDialog {
    Q_OBJECT
public:
    explicit TForm7(QWidget* parent = nullptr);
};
