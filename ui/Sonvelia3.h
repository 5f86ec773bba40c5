#pragma once

#include <QDialog>
#include <QImage>
#include <QString>
#include <array>

class PictureBox;
class QButtonGroup;
class QFrame;
class QLabel;
class QPushButton;
class QToolButton;
class tmodele;

// The selector's scale: spans, positions and the range table, over plain numbers.
namespace selectorscale {

inline constexpr int BarWidth = 611;                        // pixels
inline constexpr int BarHeight = 25;                        // pixels
inline constexpr int CursorWidth = 5;                       // pixels
inline constexpr int CursorHeight = 24;                     // pixels
inline constexpr int UsableWidth = BarWidth - CursorWidth;  // W = 606 pixels of scale
inline constexpr int ReadoutTop = 8;                        // pixels
inline constexpr int ReadoutFlip = 340;  // pixels: beyond it the readout goes left of the cursor
inline constexpr int ReadoutGap = 10;    // pixels between cursor and readout

struct Range {
    const char* caption;
    int start;     // Hz: RangeStart for this button
    int openFrom;  // Hz: Round(f) from which opening picks it
    int openTo;    // Hz: ... up to this, inclusive
};
inline constexpr std::array<Range, 11> Ranges{{{"75..500", 75, 75, 499},
                                               {"500..1000", 490, 500, 999},
                                               {"1000..1500", 990, 1000, 1499},
                                               {"1500..2000", 1490, 1500, 1999},
                                               {"2000..2500", 1990, 2000, 2499},
                                               {"2500..3000", 2490, 2500, 2999},
                                               {"3000..3500", 2990, 3000, 3499},
                                               {"3500..4000", 3490, 3500, 3999},
                                               {"4000..4500", 3990, 4000, 4499},
                                               {"4500..5000", 4490, 4500, 4999},
                                               {"5000..5500", 4990, 5000, 6000}}};

// Span used when opening and by the range buttons (Hz).
double OpeningSpan(int rangeStart);
// Span used by a drop or a click on the bar (Hz).
double DropSpan(int rangeStart);
// Index of the range opening picks for a frequency, or -1 when it is outside them all.
int RangeForFrequency(double frequency);
// Cursor position of a frequency, rounded half to even, kept within a few bar widths.
int CursorFor(double frequency, int rangeStart, double span);
// Frequency at a cursor position.
double FrequencyAt(int x, int rangeStart, double span);
// The readout's left edge for a cursor at L and a readout of the given width.
int ReadoutLeft(int cursorLeft, int readoutWidth);

// Draws the scale bar under the cursor and the readout: black all along.
void PaintBar(QImage& bar);

}  // namespace selectorscale

// The frequency selector: a bar with a cursor, eleven ranges and a readout. The page reads
// ChosenFrequency after OK.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

    // Hz: the result read by the page after OK.
    double ChosenFrequency = 0.0;
    // Hz at the bar's left end; kept from one showing to the next.
    int RangeStart = 0;

    // The model whose fundamental the selector opens on; set by the page.
    void setModel(const tmodele* model) { model_ = model; }

    PictureBox* Shape1 = nullptr;  // the bar
    QFrame* Shape2 = nullptr;      // the lime cursor, over the bar
    QLabel* Label1 = nullptr;      // the readout, over the bar
    std::array<QToolButton*, 11> SpeedButtons{};
    QButtonGroup* RangeGroup = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    // The cursor and the readout, as they stand in the bar.
    int CursorLeft() const;
    int ReadoutLeft() const;
    int ReadoutWidth() const;
    QString ReadoutText() const;
    bool Dragging() const { return dragging_; }

    void FormShow();
    void SpeedButton1Click(int index);
    void Drop(int x);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createUi();
    void connectUi();
    void Shape1MouseDown(Qt::MouseButton button, QPoint pos);
    void Shape1MouseUp(Qt::MouseButton button, QPoint pos);
    void ShowReadout();
    void PlaceReadout();

    const tmodele* model_ = nullptr;
    bool dragging_ = false;
    Qt::MouseButton dragButton_ = Qt::NoButton;
};
