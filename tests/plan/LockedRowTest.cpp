// A task that another connection holds locked, edited in the task editor:
// the send gives up within its bound, the user hears of it once, the
// window keeps ticking and later sends do not wait again; once the other
// connection lets go, the change goes.
#include <QElapsedTimer>
#include <QLabel>
#include <QSignalSpy>

#include "data/FbClient.h"
#include "tests/plan/PlanTestSupport.h"

namespace {

class LockedRowTest : public PlanTest {
  protected:
    void AddTasks() override {
        locked = AddStoredTask(QStringLiteral("Занятая"), 0, false);
        free = AddStoredTask(QStringLiteral("Свободная"), 0, false);
    }
    int locked = 0, free = 0;
};

}  // namespace

TEST_F(LockedRowTest, SendGivesUpInTimeAndTheWindowKeepsTicking) {
    FbConnection other;
    other.Attach({db.address(), "sysdba", "plumcrest", "WIN1251", 3});
    auto holding = other.Begin();
    other.Execute(*holding,
                  QStringLiteral("UPDATE TASK SET CATEGORY = 'чужая' WHERE ID = %1").arg(locked));

    ModalAnswers user;
    user.Then([](QWidget*) {
        retype(frmNewTask->edCaption, QStringLiteral("Занятая, правка"));
        clickOk(*frmNewTask);
    });
    clickRow(rowOf(locked));
    QElapsedTimer timer;
    timer.start();
    key(Qt::Key_F2);
    const qint64 waited = timer.elapsed();
    EXPECT_GE(waited, (TDM::LockWaitSec - 1) * 1000) << "it waited for the lock";
    EXPECT_LT(waited, (TDM::LockWaitSec + 3) * 1000) << "but no longer than its bound";
    EXPECT_EQ(user.Windows().size(), 1u) << "the editor, and no box";
    const QString told = frmMain->StatusUnsent->toolTip();
    EXPECT_TRUE(told.contains("Запись занята")) << told.toStdString();
    EXPECT_TRUE(frmMain->StatusUnsent->text().contains("когда запись освободится"));
    EXPECT_EQ(rowTexts(rowOf(locked))[2], "Занятая, правка") << "the list shows the change";

    // While the lock is held: other changes go at once, the held one does
    // not wait again, nobody is told twice, and the clock goes on.
    QSignalSpy ticks(frmMain->TimerSystem, &QTimer::timeout);
    timer.restart();
    for (int id : {free, locked}) {
        TMemTable& t = DM->cdsTask;
        ASSERT_TRUE(t.Locate(id));
        t.Edit();
        t.FieldByName(QStringLiteral("CATEGORY")).SetString(QStringLiteral("снова"));
        t.Post();
        DM->ApplyTable(t);
    }
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(stored(free, "CATEGORY"), "снова");
    Pump(1500);
    EXPECT_GE(ticks.count(), 4) << "the window keeps ticking";
    EXPECT_TRUE(DM->HasUnsentChanges());
    std::printf("[ waits ] a locked row held the first send %lld ms; the next send %lld ms\n",
                static_cast<long long>(waited), static_cast<long long>(timer.elapsed() - 1500));

    holding->Rollback();
    EXPECT_TRUE(DM->SendPending());
    EXPECT_EQ(stored(locked, "CAPTION"), "Занятая, правка");
    EXPECT_EQ(stored(locked, "CATEGORY"), "снова");
}
