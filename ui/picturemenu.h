#pragma once

#include <QMenu>

class QAction;
class PictureBox;
class TForm1;

// The menu a right click opens on the pictures of the main window: the picture as it is shown,
// to the clipboard or to a PNG file. Opening it changes nothing in the views or the view state.
class PictureMenu : public QMenu {
    Q_OBJECT
public:
    explicit PictureMenu(TForm1* form);

    // Gives `picture` this menu on a right click.
    void Attach(PictureBox* picture);

    QAction* CopierImage1 = nullptr;       // "Copier l'image"
    QAction* EnregistrerImage1 = nullptr;  // "Enregistrer l'image…"

    // The picture the menu was last opened on.
    PictureBox* Target() const { return target_; }

    void CopierImage1Click();
    void EnregistrerImage1Click();

private:
    void Open(PictureBox* picture, QPoint pos);

    TForm1* form_;
    PictureBox* target_ = nullptr;
};
