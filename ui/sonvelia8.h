#pragma once

#include <QDialog>

// Placeholder until the window is built.
class TForm8 : public QDialog {
    Q_OBJECT
public:
    explicit TForm8(QWidget* parent = nullptr);
};
