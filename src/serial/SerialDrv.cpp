#include "serial/SerialDrv.h"

#include "serial/LowLatency.h"

#include <QMetaObject>
#include <QSerialPort>

const std::uint32_t Win32BaudRates[13] = {110,  300,  600,   1200,  2400,  4800,  9600,
                                          14400, 19200, 38400, 56000, 57600, 115200};

TSerialPortDriver::TSerialPortDriver(QObject* owner) : QObject(owner) {}

TSerialPortDriver::~TSerialPortDriver() { Disconnect(); }

QString TSerialPortDriver::deviceName() const
{
    if (!FComPortName.isEmpty())
        return FComPortName;
    // QSerialPort adds the "\\.\" prefix itself for COM10 and up on Windows.
    return QStringLiteral("COM%1").arg(int(FComPort) + 1);
}

bool TSerialPortDriver::Connect()
{
    if (Connected())
        return true;
    auto* port = new QSerialPort(this);
    port->setPortName(deviceName());
    // Large reads are fine: the owner gets whatever has arrived, chunk by chunk.
    port->setReadBufferSize(0);
    if (!port->open(QIODevice::ReadWrite)) {
        FLastOpenError = port->errorString();
        delete port;
        return false;
    }
    FLastOpenError.clear();
    FComPortHandle = port;
    connect(port, &QSerialPort::readyRead, this, &TSerialPortDriver::onReadyRead);
    connect(port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError e) { onError(int(e)); });
    ApplyCOMSettings();
#ifndef Q_OS_WIN
    // On Windows the handle is no descriptor and the drivers take no such request; an FTDI
    // adapter's latency timer is set in its port's driver settings there.
    requestLowLatency(port->handle());
#endif
    return true;
}

void TSerialPortDriver::Disconnect()
{
    if (!Connected())
        return;
    QSerialPort* port = FComPortHandle;
    FComPortHandle = nullptr;
    FPending.clear();
    FDeliveryQueued = false;
    port->disconnect(this);
    port->close();
    // Disconnect may be called from inside one of the port's own signals.
    port->deleteLater();
}

bool TSerialPortDriver::Connected() const { return FComPortHandle != nullptr; }

bool TSerialPortDriver::SendData(const std::uint8_t* DataPtr, std::uint32_t DataSize)
{
    if (!FComPortHandle)
        return false;
    const bool rtsToggle = FComPortHwHandshaking == hhRTS;
    if (rtsToggle)
        FComPortHandle->setRequestToSend(true);
    const qint64 written =
        FComPortHandle->write(reinterpret_cast<const char*>(DataPtr), qint64(DataSize));
    FComPortHandle->flush();
    // A write error closes the port from inside flush().
    if (rtsToggle && FComPortHandle) {
        FComPortHandle->waitForBytesWritten(100);
        FComPortHandle->setRequestToSend(false);
    }
    return written == qint64(DataSize);
}

void TSerialPortDriver::ApplyCOMSettings()
{
    if (!FComPortHandle)
        return;
    QSerialPort* p = FComPortHandle;
    p->setBaudRate(qint32(Win32BaudRates[FComPortBaudRate]));
    p->setDataBits(QSerialPort::DataBits(int(FComPortDataBits) + 5));
    static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                   QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                   QSerialPort::SpaceParity};
    p->setParity(parities[FComPortParity]);
    static const QSerialPort::StopBits stops[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                                  QSerialPort::TwoStop};
    p->setStopBits(stops[FComPortStopBits]);
    p->setFlowControl(FComPortSwHandshaking == shXONXOFF ? QSerialPort::SoftwareControl
                                                          : QSerialPort::NoFlowControl);
    // RTS toggles around each write when asked for (SendData); otherwise both lines rest.
    p->setDataTerminalReady(false);
    p->setRequestToSend(false);
}

void TSerialPortDriver::SetComPort(TComPortNumber Value)
{
    if (Connected())
        return;
    FComPort = Value;
    FComPortName.clear();
}

void TSerialPortDriver::SetComPortName(const QString& Value)
{
    if (Connected())
        return;
    FComPortName = Value;
}

#define DORVIK_LINE_SETTER(Name, Type, Field) \
    void TSerialPortDriver::Name(Type Value)  \
    {                                         \
        Field = Value;                        \
        ApplyCOMSettings();                   \
    }
DORVIK_LINE_SETTER(SetComPortBaudRate, TComPortBaudRate, FComPortBaudRate)
DORVIK_LINE_SETTER(SetComPortDataBits, TComPortDataBits, FComPortDataBits)
DORVIK_LINE_SETTER(SetComPortStopBits, TComPortStopBits, FComPortStopBits)
DORVIK_LINE_SETTER(SetComPortParity, TComPortParity, FComPortParity)
DORVIK_LINE_SETTER(SetComPortHwHandshaking, TComPortHwHandshaking, FComPortHwHandshaking)
DORVIK_LINE_SETTER(SetComPortSwHandshaking, TComPortSwHandshaking, FComPortSwHandshaking)
DORVIK_LINE_SETTER(SetComPortOutBufSize, std::uint16_t, FComPortOutBufSize)
DORVIK_LINE_SETTER(SetComPortInBufSize, std::uint16_t, FComPortInBufSize)
#undef DORVIK_LINE_SETTER

void TSerialPortDriver::SetComPortPollingDelay(std::uint16_t Value)
{
    // Delivery follows the port's own notifications; the value is kept for the record.
    FComPortPollingDelay = Value;
}

void TSerialPortDriver::onReadyRead()
{
    if (!FComPortHandle)
        return;
    FPending.append(FComPortHandle->readAll());
    if (FPending.isEmpty())
        return;
    if (FDeliveryDepth == 0) {
        deliverPending();
        return;
    }
    // The owner is waiting in a nested loop (a message box, a Delay) inside a delivery: hand
    // these bytes over from the event loop, so that they arrive during the wait.
    if (!FDeliveryQueued) {
        FDeliveryQueued = true;
        QMetaObject::invokeMethod(this, &TSerialPortDriver::deliverQueued, Qt::QueuedConnection);
    }
}

void TSerialPortDriver::deliverQueued()
{
    FDeliveryQueued = false;
    deliverPending();
}

void TSerialPortDriver::deliverPending()
{
    ++FDeliveryDepth;
    while (FComPortHandle && !FPending.isEmpty()) {
        const int size = qMin(int(FPending.size()), int(qMax<std::uint16_t>(FComPortInBufSize, 1)));
        const QByteArray chunk = FPending.left(size);
        FPending.remove(0, size);
        if (OnReceiveData)
            OnReceiveData(this, reinterpret_cast<const std::uint8_t*>(chunk.constData()), int(chunk.size()));
        // QSerialPort does not announce bytes that came while one of its readyRead slots ran
        // a nested loop; fetch them now rather than at the next arrival.
        if (FComPortHandle && FDeliveryDepth == 1)
            FPending.append(FComPortHandle->readAll());
    }
    --FDeliveryDepth;
}

void TSerialPortDriver::onError(int error)
{
    // A device that vanished keeps reporting errors at a furious rate with the port still
    // "open": close it at once and let the reply timer notice the silence.
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
        error == QSerialPort::WriteError || error == QSerialPort::PermissionError)
        Disconnect();
}
