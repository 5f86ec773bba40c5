#pragma once

#include <functional>
#include <optional>

#include "analysis/analyse.h"
#include "analysis/recording.h"

// An analysis run off the window's thread while the caller's windows keep painting: a few notes
// (a low fundamental on a short note whose pitch track lands on a high partial) take seconds.
// `tick` is called on the window's thread every few tens of milliseconds with the fraction done
// and the milliseconds since the start. The analysis's error is rethrown on the caller's thread.
analysis::Result AnalyseOffThread(const analysis::Recording& recording, std::optional<double> fundamental,
                                  const std::function<void(double fraction, qint64 elapsedMs)>& tick);
