#include "support/window_checks.h"

#include <QComboBox>
#include <QListWidget>
#include <QTabWidget>
#include <algorithm>

#include "model/tmodele.h"
#include "ui/picturebox.h"
#include "ui/sonvelia1.h"

namespace window_checks {

namespace {
constexpr int MaxTenths = 40;       // the duration spinner's range, tenths of a second
constexpr int MaxFileTenths = 600;  // the longest model a file may hold, tenths
}  // namespace

QString Inconsistency(const TForm1& form, bool fromFile)
{
    const tmodele* model = form.CurrentModel.get();
    if (model == nullptr)
        return QStringLiteral("no current model");

    // The harmonic selector mirrors the model's list, entry for record; the page builds only
    // unique ascending ranks (unless the model came from a file).
    if (form.ComboBox1->count() != int(model->Harmonics.size()))
        return QStringLiteral("%1 selector entries for %2 harmonics")
            .arg(form.ComboBox1->count())
            .arg(model->Harmonics.size());
    for (std::size_t i = 0; i < model->Harmonics.size(); ++i) {
        if (form.ComboBox1->itemText(int(i)) != QString::number(model->Harmonics[i].Rank))
            return QStringLiteral("entry %1 reads %2, rank %3")
                .arg(i)
                .arg(form.ComboBox1->itemText(int(i)))
                .arg(model->Harmonics[i].Rank);
        if (!fromFile && i > 0 && !(model->Harmonics[i - 1].Rank < model->Harmonics[i].Rank))
            return QStringLiteral("ranks not unique and ascending at entry %1").arg(i);
    }
    if (model->Harmonics.empty() || model->Harmonics.size() > std::size_t(tmodele::MaxHarmonics))
        return QStringLiteral("%1 harmonics").arg(model->Harmonics.size());

    // Every rendering holds Duration x 8820 bytes.
    if (model->Rendered != 1)
        return QStringLiteral("the current model is not rendered");
    if (model->Duration < 1 || model->Duration > (fromFile ? MaxFileTenths : MaxTenths))
        return QStringLiteral("duration %1").arg(model->Duration);
    auto sized = [](const tmodele& m) {
        return m.Rendered == 0 || m.Samples.size() == std::size_t(m.Duration) * tmodele::BytesPerTenth;
    };
    if (!sized(*model))
        return QStringLiteral("current rendering of %1 bytes for %2 tenths")
            .arg(model->Samples.size())
            .arg(model->Duration);
    for (std::size_t p = 0; p < form.Series.size(); ++p) {
        if (!form.Series[p] || !sized(*form.Series[p]) || form.Series[p]->Rendered > 1)
            return QStringLiteral("series model %1 badly rendered").arg(p);
    }
    if (form.SeriesCount != std::int32_t(form.Series.size()) || form.Series.size() > 256)
        return QStringLiteral("series count %1 for %2 models").arg(form.SeriesCount).arg(form.Series.size());
    const bool onSeriesPage = form.PageControl1->currentWidget() == form.PageSerie;
    if (onSeriesPage && form.CheckListBox1->count() != int(form.Series.size()))
        return QStringLiteral("%1 entries shown for %2 series models")
            .arg(form.CheckListBox1->count())
            .arg(form.Series.size());

    // The view state lies within the sound: a window inside 0..D/10, the zoom a power of
    // two within 1..128, the cursor in the window (a click may land it up to the
    // picture's left offset, a pixel or so, before the window's start).
    const double length = model->Duration / 10.0;  // seconds
    const double slack = 1e-9 * length;            // rounding of sums of tenths
    const int zoom = form.ZoomFactor;
    if (zoom < 1 || zoom > 128 || (zoom & (zoom - 1)) != 0)
        return QStringLiteral("zoom factor %1").arg(zoom);
    if (!(form.ViewStart >= 0.0 && form.ViewStart < form.ViewEnd && form.ViewEnd <= length + slack))
        return QStringLiteral("window %1..%2 s for a sound of %3 s")
            .arg(form.ViewStart)
            .arg(form.ViewEnd)
            .arg(length);
    const double pixel = (form.ViewEnd - form.ViewStart) / std::max(1, form.CourbeImg->width());
    const double before = pixel * (form.CourbeLeft() + 1);
    if (!(form.CursorTime >= form.ViewStart - before - slack && form.CursorTime <= form.ViewEnd + slack))
        return QStringLiteral("cursor at %1 s outside the window %2..%3 s")
            .arg(form.CursorTime)
            .arg(form.ViewStart)
            .arg(form.ViewEnd);
    return QString();
}

}  // namespace window_checks
