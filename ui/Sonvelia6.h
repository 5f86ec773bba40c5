#pragma once

#include <QDialog>

// Placeholder until the window is built.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
};
