#pragma once

#include <QString>

class QSlider;
class QWidget;
class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm8;
class TAboutBox;
class tmodele;

// What a screen reader hears and what the keyboard reaches, window by window: accessible names
// in French (a caption without its '&', the caption of the label that stands for a field, the
// hint of a picture-only button), the labels tied to their fields, a tab order that follows the
// layout's reading order, and the keys that stand for the mouse on the waveform and on the
// envelope editor. Each window calls its Prepare at the end of its construction.
namespace a11y {

void Prepare(TForm1& form);
void Prepare(TForm2& form);
void Prepare(TForm3& form);
void Prepare(TForm4& form);
void Prepare(TForm5& form);
void Prepare(TForm6& form);
void Prepare(TForm7& form);
void Prepare(TForm8& form);
void Prepare(TAboutBox& form);

// The relative amplitudes dialog builds its sliders at each showing: names them after their
// harmonics, exposes their values as the amplitudes they stand for and orders the tabs again.
void PrepareSliders(TForm5& form, const tmodele& model);

// The texts of the main window's pictures, rebuilt from the model after each drawing.
void DescribeWaveform(TForm1& form);
void DescribeSpectrum(TForm1& form);
void DescribeGraph(TForm1& form);
// The "Série" page's pictures, showing `model`; its waveform spans 0..length s, the spectrum
// and the components stand at `middle` s.
void DescribeSeries(TForm1& form, const tmodele& model, double length, double middle);

// Sets a picture's description; a screen reader that follows the picture is told of the change.
void Describe(QWidget* picture, const QString& description);

// Orders the tab stops of `window` as the layout reads: containers top to bottom, then left to
// right, and the same inside each container.
void OrderTabs(QWidget* window);

}  // namespace a11y
