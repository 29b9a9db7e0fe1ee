#include "protocol/codec.h"
#include "protocol/commands.h"
#include "protocol/frames.h"

#include <QtTest>

namespace {
QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}
QByteArray toQ(const std::vector<Byte>& v) { return QByteArray(reinterpret_cast<const char*>(v.data()), int(v.size())); }
}  // namespace

class tst_Frames : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void requestFrames_data();
    void requestFrames();
    void digitPairs();
    void validation_data();
    void validation();
    void acceptedReplyLeavesPayload();
    void bufferIsBounded();
};

void tst_Frames::initTestCase()
{
    if (!Receiver)
        Receiver = new TReceiver;
}

void tst_Frames::requestFrames_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("state request to address 0")
        << bytes({0x00, 0x04}) << bytes({0x24, 0x30, 0x30, 0x30, 0x34, 0x30, 0x34, 0x0D});
    QTest::newRow("version request to address 0")
        << bytes({0x00, 0x26}) << bytes({0x24, 0x30, 0x30, 0x32, 0x36, 0x32, 0x36, 0x0D});
    QTest::newRow("threshold 9 to address 5")
        << bytes({0x05, 0x70, 0x09}) << bytes({0x24, 0x30, 0x35, 0x37, 0x30, 0x30, 0x39, 0x37, 0x45, 0x0D});
    QTest::newRow("checksum wraps")
        << bytes({0xC8, 0x68}) << QByteArray("$C86830\r");
}

void tst_Frames::requestFrames()
{
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, frame);
    const std::vector<Byte> p(payload.begin(), payload.end());
    QCOMPARE(toQ(frame::encode(frame::kRequestStart, p)), frame);
}

void tst_Frames::digitPairs()
{
    // Element 0 is the low nibble's digit, element 1 the high nibble's.
    const auto pair = hex_2_ascii(0x7E);
    QCOMPARE(pair[0], Byte('E'));
    QCOMPARE(pair[1], Byte('7'));
    Byte code = 9;
    QCOMPARE(ascii_2_hex({Byte('E'), Byte('7')}, code), Byte(0x7E));
    QCOMPARE(code, Byte(0));
    QCOMPARE(ascii_2_hex({Byte('e'), Byte('7')}, code), Byte(0x70));
    QCOMPARE(code, Byte(1));
    for (int v = 0; v < 256; ++v) {
        const auto p = hex_2_ascii(Byte(v));
        QCOMPARE(ascii_2_hex(p, code), Byte(v));
        QCOMPARE(code, Byte(0));
    }
}

void tst_Frames::validation_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("code");
    QTest::newRow("accepted")            << QByteArray("!66076D\r") << 8 << 0;
    QTest::newRow("lower-case digit")    << bytes({0x21, 0x36, 0x36, 0x30, 0x37, 0x36, 0x64, 0x0D}) << 8 << 5;
    QTest::newRow("bad checksum")        << bytes({0x21, 0x36, 0x36, 0x30, 0x37, 0x36, 0x45, 0x0D}) << 8 << 4;
    QTest::newRow("LF instead of CR")    << QByteArray("!66076D\n") << 8 << 2;
    QTest::newRow("refused")             << QByteArray("?66076D\r") << 8 << 3;
    QTest::newRow("refused, short")      << QByteArray("?\r") << 8 << 3;
    QTest::newRow("bad status byte")     << QByteArray("#66076D\r") << 8 << 1;
    QTest::newRow("too short")           << QByteArray("!6607") << 8 << 2;
    QTest::newRow("nothing expected")    << QByteArray("!66076D\r") << 0 << 2;
    QTest::newRow("non-digit")           << QByteArray("!66G76D\r") << 8 << 5;
    QTest::newRow("surplus ignored")     << QByteArray("!66076D\rXYZ") << 8 << 0;
    QTest::newRow("state reply")         << toQ(frame::encode(frame::kReplyOk, {0x04, 0x13, 0, 0, 0})) << 14 << 0;
}

void tst_Frames::validation()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, expected);
    QFETCH(int, code);
    Receiver->ClearRe();
    for (char c : reply)
        Receiver->AddRe(Byte(c));
    Receiver->SetWaitByteCountDub(Byte(expected));
    QCOMPARE(TestRecData(), code);
    if (code != 0)
        QCOMPARE(Receiver->CountRe(), int(reply.size()));  // raw bytes kept for the diagnosis
}

void tst_Frames::acceptedReplyLeavesPayload()
{
    // Every command's reply, once accepted, leaves the code and its data bytes.
    for (const RSerialStruct& c : ALL_COMMANDS) {
        const int m = (c.RecPackSize - 2) / 2;
        std::vector<Byte> payload{c.CodCom};
        for (int i = 1; i < m - 1; ++i)
            payload.push_back(Byte(0xA0 + i));
        const std::vector<Byte> reply = frame::encode(frame::kReplyOk, payload);
        QCOMPARE(int(reply.size()), int(c.RecPackSize));
        Receiver->ClearRe();
        for (Byte b : reply)
            Receiver->AddRe(b);
        Receiver->SetWaitByteCountDub(c.RecPackSize);
        QCOMPARE(TestRecData(), 0);
        QCOMPARE(Receiver->CountRe(), m - 1);
        QCOMPARE(Receiver->Getm_re(0), c.CodCom);
    }
}

void tst_Frames::bufferIsBounded()
{
    Receiver->ClearRe();
    for (int i = 0; i < TReceiver::kCapacity * 3; ++i)
        Receiver->AddRe(Byte('!'));
    QCOMPARE(Receiver->CountRe(), TReceiver::kCapacity);
    QCOMPARE(Receiver->Getm_re(-1), Byte(0));
    QCOMPARE(Receiver->Getm_re(TReceiver::kCapacity), Byte(0));
}

QTEST_GUILESS_MAIN(tst_Frames)
#include "tst_frames.moc"
