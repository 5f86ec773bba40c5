// Temporary: playback lands with the audio output layer.
#include "model/tmodele.h"

void tmodele::Play() const
{
}
