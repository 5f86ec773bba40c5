#include "ui/analysisrun.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <exception>
#include <thread>

namespace {
constexpr int PollInterval = 20;  // ms between looks at the running analysis
}  // namespace

analysis::Result AnalyseOffThread(const analysis::Recording& recording, std::optional<double> fundamental,
                                  const std::function<void(double fraction, qint64 elapsedMs)>& tick)
{
    // 1. The analysis runs on its own thread with a progress callback storing its fraction.
    // 2. A local event loop keeps the windows painting; each look passes the fraction on.
    // 3. Its result, or its error, comes back to this thread.
    std::atomic<double> fraction{0};
    std::atomic<bool> done{false};
    analysis::Result result;
    std::exception_ptr error;
    std::thread worker([&] {
        try {
            result = analysis::Analyse(recording, fundamental,
                                       [&](double f) { fraction.store(f, std::memory_order_relaxed); });
        } catch (...) {
            error = std::current_exception();
        }
        done.store(true, std::memory_order_release);
    });
    QElapsedTimer elapsed;
    elapsed.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done.load(std::memory_order_acquire)) {
            loop.quit();
            return;
        }
        if (tick)
            tick(fraction.load(std::memory_order_relaxed), elapsed.elapsed());
    });
    poll.start(PollInterval);
    if (!done.load(std::memory_order_acquire))
        loop.exec();
    worker.join();
    if (error)
        std::rethrow_exception(error);
    return result;
}
