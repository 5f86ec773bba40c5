// The sound import command: a recorded note analysed into the current model.
#include <QApplication>
#include <QScopeGuard>

#include "analysis/analyse.h"
#include "analysis/decode.h"
#include "ui/analysisrun.h"
#include "ui/filedialogs.h"
#include "ui/sonvelia1.h"
#include "ui/sonvelia10.h"

namespace {
const QString SoundFilter =
    QStringLiteral("sons (*.wav *.flac *.ogg *.aiff *.aif)|*.wav;*.flac;*.ogg;*.aiff;*.aif");
}  // namespace

void TForm1::ImporterSon1Click()
{
    if (!CurrentModel)
        return;
    filedialogs::SetUp(OpenDialog(), SoundFilter, QStringLiteral("wav"), false);
    const QString path = filedialogs::Run(OpenDialog1);
    if (path.isEmpty())
        return;
    // Read and analysed whole before anything changes: a bad file or a note without pitch
    // leaves the model as it was. The window waits for the analysis, still painting, with no
    // command of its own to start meanwhile.
    analysis::Recording recording = analysis::ReadSoundFile(path);
    analysis::Result found;
    {
        setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto waited = qScopeGuard([this] {
            QApplication::restoreOverrideCursor();
            setEnabled(true);
        });
        found = AnalyseOffThread(recording, std::nullopt, nullptr);
    }
    TForm10 dialog(std::move(recording), std::move(found), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    analysis::ApplyResult(dialog.Found(), *CurrentModel);
    CurrentModel->Rendered = 0;
    ShowLoadedModel();
}
