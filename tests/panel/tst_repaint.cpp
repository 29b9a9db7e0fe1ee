// Polling a unit whose values do not change must not redraw the window.
#include "connection/DetectorConnection.h"
#include "ProgramFixture.h"

#include <QLabel>
#include <QtTest>

namespace {
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// One round of the duty series' replies with the same values every time.
void dutyRound()
{
    decodeReply({4, 0x00, 0, 0, 0});
    decodeReply({107, 0});
    decodeReply({101, 80});
    decodeReply({107, 0});
    decodeReply({103, 0});
    decodeReply({107, 0});
    decodeReply({106, 20});
    decodeReply({107, 0});
}
}  // namespace

class tst_Repaint : public QObject {
    Q_OBJECT
private slots:
    void unchangedValuesDrawNothing();
};

void tst_Repaint::unchangedValuesDrawNothing()
{
    ProgramFixture program;
    fmMain->show();
    QVERIFY(QTest::qWaitForWindowExposed(fmMain));
    fmMain->Detector.FIdent = 21;
    fmMain->connection->SetFlagReply(true);
    fmMain->EnablePriemInterf();
    fmMain->SetRejim(dej);
    for (int i = 0; i < 3; ++i)
        dutyRound();
    QTest::qWait(100);

    PaintCounter counter;
    const QList<QWidget*> watched = fmMain->findChildren<QWidget*>() << fmMain;
    for (QWidget* w : watched)
        w->installEventFilter(&counter);
    for (int i = 0; i < 50; ++i) {
        dutyRound();
        QCoreApplication::processEvents();
    }
    QTest::qWait(100);
    QCOMPARE(counter.paints, 0);

    decodeReply({106, 90});  // a new field value is drawn
    QTest::qWait(100);
    QVERIFY(counter.paints > 0);
}

QTEST_MAIN(tst_Repaint)
#include "tst_repaint.moc"
