#pragma once

#include <QDialog>
#include <QPointer>
#include <functional>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// A horizontal pair of arrows holding a position within Min..Max; each arrow moves it by one
// (no wrap-around) and reports the click only when the position really changed.
class TUpDownH : public QWidget {
public:
    explicit TUpDownH(QWidget* parent = nullptr);

    int Min = 0;
    int Max = 100;
    int Position = 0;
    std::function<void()> OnClick;

    QToolButton* Left;   // objectName "gauche"
    QToolButton* Right;  // objectName "droite"

private:
    void Step(int delta);
};

// What the measurement window reads from the main window when it opens.
struct MeasureTarget {
    QPointer<QWidget> Panel5;        // the panel that holds the waveform and the time cursor
    QPointer<QWidget> CourbeImg;     // the waveform picture, inside Panel5
    QPointer<QWidget> CurseurTemps;  // the red time cursor, hidden while measuring
    QPointer<QWidget> CurseurEdit;   // its readout, hidden while measuring
    double ViewStart = 0.0;          // s
    double ViewEnd = 0.0;            // s
};

// "Mesures": two cursors over the waveform, their times within the shown window, the time
// between them and its inverse. Created for one opening and destroyed after it.
class TForm8 : public QDialog {
    Q_OBJECT
public:
    explicit TForm8(const MeasureTarget& target, QWidget* parent = nullptr);
    ~TForm8() override;

    static constexpr int ClientWidth = 149;   // px
    static constexpr int ClientHeight = 221;  // px
    static constexpr int ScreenLeft = 448;    // px
    static constexpr int ScreenTop = 386;     // px
    static constexpr int CursorWidth = 3;     // px

    // The text Edit_invdt shows when both cursors stand at the same place.
    static const QString ZeroDistanceText;

    QLabel* Label5;
    QLabel* Label1;
    QLineEdit* Edit_t1;
    TUpDownH* UpDown1;
    QLabel* Label6;
    QLabel* Label2;
    QLineEdit* Edit_t2;
    TUpDownH* UpDown2;
    QLabel* Label3;
    QLineEdit* Edit_dt;
    QLabel* Label4;
    QLineEdit* Edit_invdt;
    QPushButton* BitBtn1;

    // The two cursors while the window is shown (null otherwise).
    QFrame* Cursor1() const { return cursor1_; }
    QFrame* Cursor2() const { return cursor2_; }
    double T1() const { return t1_; }
    double T2() const { return t2_; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createUi();
    void connectUi();

    void FormShow();
    void UpDown1Click();
    void UpDown2Click();
    void FormClose();

    QFrame* CreateCursor(const QColor& colour, int left);
    double CursorTimeAt(int left) const;
    void ShowDistance();

    MeasureTarget target_;
    QPointer<QFrame> cursor1_;
    QPointer<QFrame> cursor2_;
    double t1_ = 0.0;  // s, from the window's left edge
    double t2_ = 0.0;  // s
    bool shown_ = false;
};
