#include "serial/SerialDrv.h"

#include "serial/LowLatency.h"

#include <QSerialPort>
#include <QThread>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#endif

const std::uint32_t Win32BaudRates[13] = {110,  300,  600,   1200,  2400,  4800,  9600,
                                          14400, 19200, 38400, 56000, 57600, 115200};

TSerialPortDriver::TSerialPortDriver(QObject* owner) : QObject(owner) { FClock.start(); }

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
    // Bounded: a device that streams faster than it is read (or while a box is open) cannot
    // make the port hoard its bytes; what does not fit waits in the driver, then is lost.
    port->setReadBufferSize(kReadBufferSize);
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
    QSerialPort* port = FComPortHandle;
    if (!port)
        return;
    // Let go of the port before anything can fail: a device that vanished fails the flush
    // below and reports it through errorOccurred, which must not come back in here.
    FComPortHandle = nullptr;
    port->disconnect(this);
    waitForWire(port);
    port->close();
    // Disconnect may be called from inside one of the port's own signals.
    port->deleteLater();
}

bool TSerialPortDriver::Connected() const { return FComPortHandle != nullptr; }

bool TSerialPortDriver::SendData(const std::uint8_t* DataPtr, std::uint32_t DataSize)
{
    if (!FComPortHandle)
        return false;
    const char* data = reinterpret_cast<const char*>(DataPtr);
    qint64 written = 0;
#ifdef Q_OS_UNIX
    // A request is a few bytes sent to an idle line: straight to the driver. Through
    // QSerialPort it would arm and disarm a write notifier, two event-loop wake-ups per request.
    if (FComPortHandle->bytesToWrite() == 0 && FComPortHandle->handle() >= 0) {
        const ssize_t n = ::write(FComPortHandle->handle(), data, DataSize);
        written = n > 0 ? qint64(n) : 0;
    }
#endif
    if (written < qint64(DataSize)) {
        const qint64 rest = FComPortHandle->write(data + written, qint64(DataSize) - written);
        written += qMax<qint64>(0, rest);
        FComPortHandle->flush();
    }
    // Ten bits a byte at the line's speed, after whatever was still going out.
    const qint64 now = FClock.nsecsElapsed();
    const qint64 wireNs = qint64(DataSize) * 10 * 1000000000LL / qMax<qint64>(1, Win32BaudRates[FComPortBaudRate]);
    FWireFreeAtNs = qMax(FWireFreeAtNs, now) + wireNs;
    // A write error closes the port from inside flush(): what the port took in is then lost.
    if (!FComPortHandle)
        return false;
    return written == qint64(DataSize);
}

int TSerialPortDriver::msUntilSent() const
{
    const qint64 leftNs = FWireFreeAtNs - FClock.nsecsElapsed();
    return leftNs > 0 ? int((leftNs + 999999) / 1000000) : 0;
}

int TSerialPortDriver::ReadWaiting()
{
    const qint64 before = FHandedOver;
    if (!FComPortHandle)
        return 0;
#ifdef Q_OS_UNIX
    // Asked only when the descriptor has something: an empty zero wait would report a time-out
    // through errorOccurred, which means nothing here.
    const qintptr fd = FComPortHandle->handle();
    pollfd p{int(fd), POLLIN, 0};
    if (fd >= 0 && ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN))
        FComPortHandle->waitForReadyRead(0);
#else
    FComPortHandle->waitForReadyRead(0);
#endif
    // waitForReadyRead announces what it read through readyRead; whatever the port held
    // already goes too.
    onReadyRead();
    return int(FHandedOver - before);
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
    // No handshake: both lines rest.
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

void TSerialPortDriver::SetComPortBaudRate(TComPortBaudRate Value)
{
    if (Connected() && FComPortBaudRate != Value)
        waitForWire(FComPortHandle);
    FComPortBaudRate = Value;
    ApplyCOMSettings();
}

void TSerialPortDriver::waitForWire(QSerialPort* port)
{
    // Whatever the port still buffers goes to the driver first. On a vanished device this
    // fails and the error closes the port: nothing below may then touch it.
    port->flush();
#ifdef Q_OS_UNIX
    // A real UART drains here; a pseudo-terminal returns at once, so the clock below decides.
    if (port->isOpen() && port->handle() >= 0)
        ::tcdrain(port->handle());
#endif
    // A line that changes speed or closes while a frame is still going out sends its tail at
    // the wrong speed, or not at all: wait out the rest of its time on the wire.
    const qint64 leftNs = FWireFreeAtNs - FClock.nsecsElapsed();
    if (leftNs > 0)
        QThread::usleep(std::uint64_t(leftNs / 1000 + 1));
}

void TSerialPortDriver::onReadyRead()
{
    if (!FComPortHandle)
        return;
    // Handed over at once: nothing on the receiving side waits in a nested loop, so bytes
    // never pile up here.
    while (FComPortHandle && FComPortHandle->bytesAvailable() > 0) {
        const QByteArray chunk = FComPortHandle->read(qMax<qint64>(1, FComPortInBufSize));
        if (chunk.isEmpty())
            break;
        FHandedOver += chunk.size();
        if (OnReceiveData)
            OnReceiveData(this, reinterpret_cast<const std::uint8_t*>(chunk.constData()), int(chunk.size()));
    }
}

void TSerialPortDriver::onError(int error)
{
    // A device that vanished keeps reporting errors at a furious rate with the port still
    // "open": close it at once and let the reply timer notice the silence.
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
        error == QSerialPort::WriteError || error == QSerialPort::PermissionError)
        Disconnect();
}
