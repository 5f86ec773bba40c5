// Ten thousand random commands, undos and redos through the real window with the history at its
// own limit: after every operation the window shows the state recorded for that point, undoing
// all kept steps gives the model before the oldest one and redoing them all the last one's, and
// once the history is full the heap no longer grows.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdio>
#include <memory>

#include "support/undo_driver.h"
#include "support/undo_property.h"
#include "ui/sonvelia1.h"
#include "ui/undohistory.h"

namespace {

constexpr int Operations = 10000;
// Bytes of heap the run may still gain once the history is full and warm. The steps' states
// differ in size with the models they hold (1 to 12 harmonics, up to 6 series models), so the
// level moves by some hundreds of kB; one state left behind per operation would be megabytes.
constexpr long HeapTolerance = 1536 * 1024;

TEST(RandomHistoryFull, TenThousandOperationsAtTheDefaultLimit)
{
    auto form = std::make_unique<TForm1>();
    form->show();
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents();
    auto driver = std::make_unique<undo_test::Driver>(*form);
    undo_test::RunReport r;
    undo_test::RunRandomHistory(*form, *driver, 15, Operations, undo::UndoHistory::DefaultLimit, r);
    ASSERT_FALSE(::testing::Test::HasFailure());
    std::printf(
        "%d commands, %d steps, %d undos, %d redos, %d idle, %d dropped at the limit; heap %ld kB at "
        "operation %d, %ld kB at the end\n",
        r.commands, r.steps, r.undos, r.redos, r.idle, r.overflowed, r.heapEarly / 1024, r.heapEarlyAt,
        r.heapLate / 1024);
    EXPECT_GT(r.overflowed, 0) << "the history never reached its limit";
    ASSERT_GT(r.heapEarlyAt, 0);
    EXPECT_LT(r.heapLate - r.heapEarly, HeapTolerance);
    EXPECT_EQ(form->History->Count(), undo::UndoHistory::DefaultLimit);
}

}  // namespace
