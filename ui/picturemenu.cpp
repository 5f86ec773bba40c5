#include "ui/picturemenu.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>

#include "files/picturefile.h"
#include "ui/errorbox.h"
#include "ui/filedialogs.h"
#include "ui/picturebox.h"
#include "ui/sonvelia1.h"

namespace {
const QString PictureFilter = QStringLiteral("images png(*.png)|*.png");
}  // namespace

PictureMenu::PictureMenu(TForm1* form) : QMenu(form), form_(form)
{
    setObjectName(QStringLiteral("PictureMenu1"));
    CopierImage1 = addAction(QStringLiteral("Copier l'image"));
    CopierImage1->setObjectName(QStringLiteral("CopierImage1"));
    EnregistrerImage1 = addAction(QStringLiteral("Enregistrer l'image…"));
    EnregistrerImage1->setObjectName(QStringLiteral("EnregistrerImage1"));
    // The error box belongs to the main window: the menu is gone by the time a save fails.
    auto guarded = [this](void (PictureMenu::*handler)()) {
        return [this, handler] {
            try {
                (this->*handler)();
            } catch (...) {
                ReportCurrentException(form_);
            }
        };
    };
    connect(CopierImage1, &QAction::triggered, this, guarded(&PictureMenu::CopierImage1Click));
    connect(EnregistrerImage1, &QAction::triggered, this, guarded(&PictureMenu::EnregistrerImage1Click));
}

void PictureMenu::Attach(PictureBox* picture)
{
    // Asked for by a right button press, after the press itself has gone to the picture, whose
    // handlers ignore any button but the left one.
    picture->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(picture, &QWidget::customContextMenuRequested, this,
            [this, picture](QPoint pos) { Open(picture, pos); });
}

void PictureMenu::Open(PictureBox* picture, QPoint pos)
{
    target_ = picture;
    popup(picture->mapToGlobal(pos));
}

void PictureMenu::CopierImage1Click()
{
    if (target_ == nullptr)
        return;
    QGuiApplication::clipboard()->setImage(target_->Shown());
}

void PictureMenu::EnregistrerImage1Click()
{
    if (target_ == nullptr)
        return;
    // What the user right-clicked, before the dialog could let the views be redrawn.
    const QImage picture = target_->Shown();
    filedialogs::SetUp(form_->SaveDialog(), PictureFilter, QStringLiteral("png"), true);
    const QString path = filedialogs::Run(form_->SaveDialog1);
    if (path.isEmpty())
        return;
    SavePngFile(path, picture);
}
