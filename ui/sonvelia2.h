#pragma once

#include <QDialog>

// Placeholder until the window is built.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
};
