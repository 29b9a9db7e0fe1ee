// The pair remembered: a receiver found after its transmitter is told when their letters differ,
// until they match.
#include "ProgramFixture.h"
#include "SimulatedDetector.h"
#include "connection/DetectorConnection.h"
#include "connection/DetectorLink.h"
#include "panel/state_texts.h"

#include <QFile>
#include <QLabel>
#include <QtTest>

namespace {

constexpr int PATIENCE_MS = 60000;

QString pairNote(int transmitter, int receiver)
{
    return QString::fromUtf8(PAIR_LETTER_NOTE).arg(transmitter).arg(receiver);
}

bool noteShows(const QString& text) { return fmMain->stPered->isVisibleTo(fmMain) && fmMain->stPered->text() == text; }

}  // namespace

class tst_Pair : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void receiverAfterItsTransmitter_data();
    void receiverAfterItsTransmitter();

private:
    QTemporaryDir FSettings;
};

void tst_Pair::initTestCase() { qputenv("DORVIK_SETTINGS_DIR", FSettings.path().toLocal8Bit()); }

void tst_Pair::receiverAfterItsTransmitter_data()
{
    QTest::addColumn<bool>("transmitterFirst");
    QTest::addColumn<int>("transmitterLetter");
    QTest::addColumn<int>("receiverLetter");
    QTest::newRow("letters differ") << true << 3 << 1;
    QTest::newRow("letters match") << true << 5 << 5;
    QTest::newRow("no transmitter seen") << false << 3 << 1;
}

void tst_Pair::receiverAfterItsTransmitter()
{
    QFETCH(bool, transmitterFirst);
    QFETCH(int, transmitterLetter);
    QFETCH(int, receiverLetter);
    // One cable carried from unit to unit: the same port name, another device behind it.
    QTemporaryDir dir;
    const QString port = dir.filePath(QStringLiteral("usb-adapter"));
    SimConfig txConfig;
    txConfig.kind = SimConfig::Transmitter;
    txConfig.letterIndex = quint8(transmitterLetter - 1);
    SimulatedDetector transmitter(txConfig);
    SimConfig rxConfig;
    rxConfig.letterIndex = quint8(receiverLetter - 1);
    SimulatedDetector receiver(rxConfig);
    QVERIFY(transmitter.open() && receiver.open());

    ProgramFixture program({port});
    QVERIFY(QFile::link(transmitterFirst ? transmitter.slavePath() : receiver.slavePath(), port));
    program.start();
    QTRY_VERIFY_WITH_TIMEOUT(polling(), PATIENCE_MS);
    if (transmitterFirst) {
        QCOMPARE(*fmMain->connection->pairLetter(), transmitterLetter);
        transmitter.vanish();
        QFile::remove(port);
        QTRY_VERIFY_WITH_TIMEOUT(fmMain->connection->waitingForPort(), PATIENCE_MS);
        QVERIFY(QFile::link(receiver.slavePath(), port));
        QTRY_VERIFY_WITH_TIMEOUT(polling() && fmMain->Ident() != IDENT_PERED, PATIENCE_MS);
    }
    QTRY_COMPARE_WITH_TIMEOUT(int(fmMain->Detector.FLit), receiverLetter, PATIENCE_MS);

    if (!transmitterFirst || transmitterLetter == receiverLetter) {
        // A few polls more: nothing is said.
        const int seen = int(receiver.requests().size());
        QTRY_VERIFY_WITH_TIMEOUT(receiver.requests().size() > seen + 16, PATIENCE_MS);
        QVERIFY(!fmMain->stPered->isVisibleTo(fmMain));
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(noteShows(pairNote(transmitterLetter, receiverLetter)), PATIENCE_MS);

    // The installer sets the receiver's letter, as the letter dialog hands it back: the note goes.
    fmMain->connection->SetLit(TLitera(transmitterLetter));
    fmMain->connection->link->dispatcher.FlagSetLiter.raise(TLitera(transmitterLetter));
    QVERIFY(!fmMain->stPered->isVisibleTo(fmMain));
    QTRY_COMPARE_WITH_TIMEOUT(int(receiver.state().letterIndex), transmitterLetter - 1, PATIENCE_MS);
    const int seen = int(receiver.requests().size());
    QTRY_VERIFY_WITH_TIMEOUT(receiver.requests().size() > seen + 16, PATIENCE_MS);
    QVERIFY(!fmMain->stPered->isVisibleTo(fmMain));
}

QTEST_MAIN(tst_Pair)
#include "tst_pair.moc"
