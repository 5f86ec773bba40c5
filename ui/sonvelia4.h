#pragma once

#include <QDialog>

// Placeholder until the window is built.
class TForm4 : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);
};
