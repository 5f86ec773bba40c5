#pragma once

#include <QDialog>
#include <QImage>

#include "model/tmodele.h"

class PictureBox;
class QLabel;
class QPushButton;

// Drawing of the envelope editor's area, over plain data.
namespace envelopedraw {

inline constexpr int AreaWidth = 322;   // pixels: 46 columns of 7
inline constexpr int AreaHeight = 275;  // pixels
inline constexpr int ColumnWidth = 7;   // pixels per point
inline constexpr int Baseline = 265;    // y of the value 0; 255 stands at y = 10

// Fills the area with black and draws every point's bar.
void PaintEnvelope(QImage& area, const tenveloppe& envelope);
// Draws point k's bar for the value v: in white and red, or in black to erase it.
void PaintBar(QImage& area, int k, int value, bool erase);
// The value for a mouse height Y in the area: 255 above y = 10, 0 below the baseline.
int ValueFromY(int y);

}  // namespace envelopedraw

// The envelope editor: 46 bars set with the mouse. The page loads WorkEnvelope before showing
// it and reads it back after OK.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    // The envelope being drawn; kept for the whole run.
    tenveloppe WorkEnvelope{};

    // The model whose fundamental "Enveloppe du fondamental" copies; set by the page.
    void setModel(const tmodele* model) { model_ = model; }

    PictureBox* PaintBox1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QLabel* Label1 = nullptr;

    void PaintBox1Paint();
    void PaintBox1MouseDown(Qt::MouseButton button, QPoint pos);
    void PaintBox1MouseMove(Qt::MouseButtons buttons, QPoint pos);
    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createUi();
    void connectUi();

    const tmodele* model_ = nullptr;
};
