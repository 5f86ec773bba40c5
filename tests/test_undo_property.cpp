// Random runs of commands, undos and redos through the real window, short enough for every
// build: the window must always show the state recorded for its point of the history, and
// undoing everything must give back the very first model file, byte for byte.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdio>
#include <memory>

#include "files/modelfile.h"
#include "models/sample_models.h"
#include "support/dialogs_modal.h"
#include "support/undo_driver.h"
#include "support/undo_property.h"
#include "ui/sonvelia1.h"
#include "ui/undohistory.h"

using dialogs_test::Settle;

namespace {

class RandomHistory : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TForm1>();
        form->show();
        Settle();
        driver = std::make_unique<undo_test::Driver>(*form);
    }
    void TearDown() override
    {
        driver.reset();
        form.reset();
        Settle();
    }
    std::unique_ptr<TForm1> form;
    std::unique_ptr<undo_test::Driver> driver;
};

void Print(const char* name, const undo_test::RunReport& r)
{
    std::printf("%s: %d commands, %d steps, %d undos, %d redos, %d idle, %d dropped at the limit\n", name,
                r.commands, r.steps, r.undos, r.redos, r.idle, r.overflowed);
}

// No limit reached: undoing all goes back to the start model.
TEST_F(RandomHistory, UndoingEverythingGivesTheFirstModelBack)
{
    const QByteArray first = ModelFileBytes(*form->CurrentModel);
    ASSERT_EQ(first, ModelFileBytes(*MakeStartModel()));
    undo_test::RunReport report;
    undo_test::RunRandomHistory(*form, *driver, 20261209, 800, 0, report);
    ASSERT_FALSE(HasFailure());
    Print("unlimited", report);
    EXPECT_GT(report.steps, 200);
    EXPECT_GT(report.undos, 100);
    EXPECT_GT(report.redos, 30);
    // RunRandomHistory has redone everything: undo it all once more, to the very first state.
    while (form->History->CanUndo())
        driver->Undo();
    EXPECT_EQ(ModelFileBytes(*form->CurrentModel), first);
    EXPECT_TRUE(form->Series.empty());
}

// A small limit: the oldest steps go, and what is kept still undoes and redoes exactly.
TEST_F(RandomHistory, TheOldestStepsGoAtTheLimit)
{
    undo_test::RunReport report;
    undo_test::RunRandomHistory(*form, *driver, 7, 600, 40, report);
    Print("limit 40", report);
    EXPECT_GT(report.overflowed, 50);
    EXPECT_EQ(form->History->Count(), 40);
}

}  // namespace
