#pragma once

#include <QDialog>

// Placeholder until the window is built.
class TForm5 : public QDialog {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);
};
