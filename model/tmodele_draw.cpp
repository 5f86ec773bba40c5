// Temporary: the drawing operations land with the views.
#include <QImage>

#include "model/tmodele.h"

void tmodele::DrawWaveform(QImage&, double, double) const
{
}
void tmodele::DrawSpectrum(QImage&, double) const
{
}
void tmodele::DrawSonogram(QImage&) const
{
}
void tmodele::DrawComponents(QImage&, double) const
{
}
