#pragma once

#include <QDialog>

// Placeholder until the window is built.
class TForm6 : public QDialog {
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);
};
