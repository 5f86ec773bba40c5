#include "support/undo_property.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <random>
#include <vector>

#include "support/undo_driver.h"
#include "ui/sonvelia1.h"
#include "ui/undohistory.h"

namespace undo_test {

namespace {

constexpr int MaxHarmonics = 12;    // the run deletes rather than adds beyond this
constexpr int MaxSeries = 6;        // ... and empties the series rather than fill it further
constexpr int WarmUp = 500;         // operations after the history is first full, before the reference
constexpr int CommandPercent = 60;  // the rest: undos 25 %, redos 15 %
constexpr int UndoPercent = 25;

struct Step {
    Observed before;
    Observed after;
};

std::string Where(int operation, const char* what)
{
    return "operation " + std::to_string(operation) + " (" + what + ")";
}

}  // namespace

long HeapApartFromSound(const TForm1& form)
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    malloc_trim(0);
    const struct mallinfo2 info = mallinfo2();
    long sound = form.CurrentModel ? long(form.CurrentModel->Samples.capacity()) : 0;
    for (const auto& model : form.Series)
        sound += long(model->Samples.capacity());
    return long(info.uordblks + info.hblkhd) - sound;
}

void RunRandomHistory(TForm1& form, Driver& driver, std::uint32_t seed, int operations, int limit,
                      RunReport& report)
{
    undo::UndoHistory& stack = *form.History;
    EXPECT_EQ(stack.Count(), 0);
    form.History->SetLimit(limit);
    std::mt19937 rng(seed);
    auto random = [&rng](int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(rng); };

    std::vector<Step> steps;  // the history the window must hold, oldest first
    std::size_t done = 0;     // steps applied: the window stands after steps[done - 1]
    bool fullOnce = false;
    int fullAt = -1;

    auto checkMenu = [&](int operation, const char* what) {
        EXPECT_EQ(stack.Count(), int(steps.size())) << Where(operation, what);
        EXPECT_EQ(stack.Index(), int(done)) << Where(operation, what);
        EXPECT_EQ(form.Annuler1->isEnabled(), done > 0) << Where(operation, what);
        EXPECT_EQ(form.Retablir1->isEnabled(), done < steps.size()) << Where(operation, what);
        EXPECT_EQ(form.Annuler1->text().startsWith(QStringLiteral("&Annuler : ")), done > 0)
            << Where(operation, what);
    };

    for (int operation = 1; operation <= operations; ++operation) {
        const int kind = random(100);
        if (kind < CommandPercent) {
            auto command = Command(random(CommandCount));
            if (command == Command::AddHarmonic && form.ComboBox1->count() >= MaxHarmonics)
                command = Command::DeleteHarmonic;
            if (command == Command::AddToSeries && form.Series.size() >= std::size_t(MaxSeries))
                command = Command::ClearSeries;
            const Choice choice = Driver::Draw(random);
            const char* what = CommandName(command);
            driver.Prepare(command, choice);
            const Observed before = Observe(form);
            driver.Act(command, choice);
            const Observed after = Observe(form);
            ++report.commands;
            if (after == before) {
                checkMenu(operation, what);
            } else {
                ++report.steps;
                steps.resize(done);
                steps.push_back({before, after});
                ++done;
                if (limit > 0 && steps.size() > std::size_t(limit)) {
                    steps.erase(steps.begin());
                    --done;
                    ++report.overflowed;
                }
                checkMenu(operation, what);
            }
        } else if (kind < CommandPercent + UndoPercent) {
            const Observed before = Observe(form);
            driver.Undo();
            if (done == 0) {
                ++report.idle;
                ASSERT_EQ(Difference(before, Observe(form)), "") << Where(operation, "undo of nothing");
            } else {
                ++report.undos;
                --done;
                ASSERT_EQ(Difference(steps[done].before, Observe(form)), "") << Where(operation, "undo");
            }
            checkMenu(operation, "undo");
        } else {
            const Observed before = Observe(form);
            driver.Redo();
            if (done == steps.size()) {
                ++report.idle;
                ASSERT_EQ(Difference(before, Observe(form)), "") << Where(operation, "redo of nothing");
            } else {
                ++report.redos;
                ASSERT_EQ(Difference(steps[done].after, Observe(form)), "") << Where(operation, "redo");
                ++done;
            }
            checkMenu(operation, "redo");
        }
        ASSERT_TRUE(driver.Errors().isEmpty())
            << Where(operation, "error box") << ": " << driver.Errors().join('\n').toStdString();
        // The reference level: once the history is full (and the toolkit's caches warm), or half way.
        if (!fullOnce && limit > 0 && stack.Count() == limit) {
            fullOnce = true;
            fullAt = operation;
        }
        const bool reference =
            fullOnce ? operation == fullAt + WarmUp : (limit == 0 && operation == operations / 2);
        if (reference && report.heapEarlyAt == 0) {
            report.heapEarly = HeapApartFromSound(form);
            report.heapEarlyAt = operation;
        }
    }
    report.heapLate = HeapApartFromSound(form);

    // Undo everything kept, then redo it all.
    while (done > 0) {
        driver.Undo();
        --done;
        ASSERT_EQ(Difference(steps[done].before, Observe(form)), "") << "undoing all, step " << done;
    }
    if (!steps.empty()) {
        EXPECT_EQ(Observe(form).model, steps.front().before.model) << "the model before the oldest step";
        EXPECT_FALSE(form.Annuler1->isEnabled());
    }
    while (done < steps.size()) {
        driver.Redo();
        ASSERT_EQ(Difference(steps[done].after, Observe(form)), "") << "redoing all, step " << done;
        ++done;
    }
    if (!steps.empty()) {
        EXPECT_EQ(Observe(form).model, steps.back().after.model) << "the model after the last step";
        EXPECT_FALSE(form.Retablir1->isEnabled());
    }
}

}  // namespace undo_test
