#pragma once

#include <QDialog>
#include <vector>

class QFrame;
class QLabel;
class QPushButton;
class QSlider;
class tmodele;

// Slider scale and window layout of the relative amplitudes dialog, over plain numbers.
namespace amplitudelayout {

inline constexpr int SliderLowest = 1;     // top of a slider: 0.996
inline constexpr int SliderHighest = 250;  // bottom: 0

struct Layout {
    int panelWidth;    // pixels: Panel1
    int windowWidth;   // pixels, frame included
    int panelHeight;   // pixels: Panel1
    int windowHeight;  // pixels, frame included
};
// The layout for n harmonics (1..50).
Layout ForCount(int n);
// The slider position showing an amplitude, within 1..250.
int PositionFor(double amplitude);
// The amplitude a slider position stands for.
double AmplitudeAt(int position);
// The label under harmonic i's slider: "f" for the fundamental, else the rank and "f".
QString LabelFor(int rank);

}  // namespace amplitudelayout

// The relative amplitudes dialog: one vertical slider per harmonic, built at each showing.
// After it closes the page reads the sliders (after OK) and releases them (always).
class TForm5 : public QDialog {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);

    // The model whose harmonics get a slider each; set by the page before each showing.
    void setModel(const tmodele* model) { model_ = model; }

    // Built by FormShow, one per harmonic in list order; emptied by ReleaseSliders.
    std::vector<QSlider*> AmplitudeSliders;
    std::vector<QLabel*> AmplitudeLabels;

    // The amplitude slider i stands for.
    double AmplitudeOf(std::size_t i) const;
    // Releases every slider and label of the last showing.
    void ReleaseSliders();

    QFrame* Panel2 = nullptr;
    QFrame* Panel1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createUi();
    void connectUi();

    const tmodele* model_ = nullptr;
};
