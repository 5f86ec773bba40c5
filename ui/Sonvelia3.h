#pragma once

#include <QDialog>

// Placeholder until the window is built.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
};
