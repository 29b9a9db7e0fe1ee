#include "serial/PortCatalog.h"

#include <QtTest>

class tst_PortCatalog : public QObject {
    Q_OBJECT
private slots:
    void order_data();
    void order();
    void explicitListKeepsItsOrder();
};

void tst_PortCatalog::order_data()
{
    QTest::addColumn<QStringList>("given");
    QTest::addColumn<QStringList>("sorted");
    QTest::newRow("COM numbers, not text")
        << QStringList{"COM10", "COM3", "COM1", "COM100"} << QStringList{"COM1", "COM3", "COM10", "COM100"};
    QTest::newRow("COM names in any case")
        << QStringList{"com12", "COM2"} << QStringList{"COM2", "com12"};
    QTest::newRow("device names by prefix, then number")
        << QStringList{"ttyUSB10", "ttyS0", "ttyUSB2", "ttyACM0"}
        << QStringList{"ttyACM0", "ttyS0", "ttyUSB2", "ttyUSB10"};
    QTest::newRow("leading zeros")
        << QStringList{"ttyUSB010", "ttyUSB9"} << QStringList{"ttyUSB9", "ttyUSB010"};
    QTest::newRow("COM names before device names")
        << QStringList{"ttyUSB0", "COM4"} << QStringList{"COM4", "ttyUSB0"};
}

void tst_PortCatalog::order()
{
    QFETCH(QStringList, given);
    QFETCH(QStringList, sorted);
    PortCatalog::sortPorts(given);
    QCOMPARE(given, sorted);
}

void tst_PortCatalog::explicitListKeepsItsOrder()
{
    qputenv("DORVIK_SERIAL_PORTS", "/dev/pts/9::/dev/pts/2");
    QCOMPARE(PortCatalog::systemPorts(), (QStringList{"/dev/pts/9", "/dev/pts/2"}));
    qputenv("DORVIK_SERIAL_PORTS", "");
    QVERIFY(PortCatalog::systemPorts().isEmpty());
}

QTEST_MAIN(tst_PortCatalog)
#include "tst_portcatalog.moc"
