#include "connection/DetectorLink.h"
#include "connection/ReplyTimer.h"
#include "connection/SafeFile.h"
#include "connection/TextCodec.h"
#include "connection/params.h"
#include "connection/texts.h"
#include "panel/main.h"
#include "serial/PortCatalog.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>

namespace {

// The attempt index is one byte wide; a longer list would wrap and search forever.
constexpr int MAX_PORTS = 256;

// A unit left at a faster speed (the program restarted, the link lost without a power cycle)
// answers there in under 20 ms; USB adapters add up to 16 ms each way and a busy laptop
// some more. Well past that, yet short enough that an empty port costs little.
constexpr int FAST_REPLY_MS = 300;

// One warning per program run is enough: a log that cannot be written once will not be
// writable at the next step either, and the search must not stop for it. Kept per window:
// tests run several programs in one process.
QPointer<QObject> connectLogWarnedWindow;

// "COM" + 1..256 is a port number; anything else is a device name.
int comNumber(const QString& name)
{
    static const QRegularExpression re(QStringLiteral("^COM([0-9]{1,3})$"));
    const auto m = re.match(name);
    if (!m.hasMatch())
        return 0;
    const int n = m.captured(1).toInt();
    return n >= 1 && n <= 256 ? n : 0;
}

}  // namespace

void TfmMain::EnumPorts2()
{
    ComPortList = PortCatalog::systemPorts().mid(0, MAX_PORTS);
}

bool TfmMain::FindPort(const QString& PortName)
{
    EnumPorts2();
    // "-COM3" must find a port the system calls "com3"; open it by the system's spelling.
    for (const QString& name : std::as_const(ComPortList))
        if (name.compare(PortName, Qt::CaseInsensitive) == 0) {
            ComPortList = QStringList{name};
            return true;
        }
    return false;
}

void TfmMain::SetPort(const QString& PortName)
{
    if (PortName.isEmpty())
        return;
    COMP->Disconnect();
    if (const int n = comNumber(PortName))
        COMP->SetComPort(TComPortNumber(n - 1));
    else
        COMP->SetComPortName(PortName);
    COMP->SetComPortBaudRate(BufBaudRate);
    SetCurBaud(BufBaudRate);
    if (!COMP->Connect()) {
        const PortTrouble trouble = diagnosePort(PortName);
        if (trouble.kind != PortTrouble::None)
            FPortTroubles.append(trouble);
    }
}

void TfmMain::SetCOMPortName(const QString& Value)
{
    FCOMPortName = Value;
    stPort->setText(Value);
}

void TfmMain::SetCurBaud(TComPortBaudRate Value)
{
    stBaud->setText(baudText(Value));
}

void TfmMain::ScanPorts()
{
    lbStepInit->clear();
    FPortTroubles.clear();
    stPortTrouble->hide();
    // A port just closed (a lost link, a search before) is given time to settle.
    after(500, [this] {
        addLogLine(QString::fromUtf8(LOG_ADDRESS) + ParamStruct.val_addr, false);
        addLogLine(QString::fromUtf8(LOG_SPEED_4800), false);
        BufBaudRate = br4800;
        // 4800 first, as a unit comes up after power-on; then where the program leaves it;
        // then the speeds someone else may have left it at.
        FSearchSpeeds = {br4800};
        for (std::uint8_t i : {ParamStruct.baud_ind, std::uint8_t(1), std::uint8_t(2), std::uint8_t(3),
                               std::uint8_t(4), std::uint8_t(5)})
            if (i < 6 && !FSearchSpeeds.contains(CPS_INDEX[i]))
                FSearchSpeeds << CPS_INDEX[i];
        if (!ParamStruct.is_com)
            EnumPorts2();
        if (ComPortList.isEmpty()) {
            VivError(QString::fromUtf8(MSG_NO_PORTS), QString::fromUtf8(C1));
            return;
        }
        DispObmen->FlagScanPorts = true;
        ScanPortFirst();
    });
}

void TfmMain::ScanPortFirst()
{
    // One position before the first port: the index is a byte, so the step wraps it to 0.
    FComportListIndex = std::uint8_t(-1);
    ScanPortNext();
}

void TfmMain::ScanPortNext()
{
    ++FComportListIndex;
    FSpeedAttempt = 0;
    BufBaudRate = br4800;
    tiTimeWaitRepl->setInterval(1000);
    SetCOMPortName(ComPortList.value(FComportListIndex));
    addLogLine(QString::fromUtf8(LOG_ATTEMPT) + FCOMPortName, true);
    // Some adapters need a moment between closing one port and opening the next, and again
    // before the first request after opening.
    COMP->Disconnect();
    after(30, [this] {
        SetPort(FCOMPortName);
        after(30, [this] {
            // The series position stays where the last port left it. A port that did not
            // open has nobody to wait for: it is given up at once, as if unanswered.
            if (COMP->Connected())
                DispObmen->proc_cf_req(addr_obmen, DispObmen->current());
            else
                tiTimeWaitReplTimer();
        });
    });
}

bool TfmMain::ScanPortNextSpeed()
{
    if (!COMP->Connected() || FSpeedAttempt + 1 >= FSearchSpeeds.size())
        return false;
    ++FSpeedAttempt;
    BufBaudRate = FSearchSpeeds[FSpeedAttempt];
    addLogLine(QString::fromUtf8(LOG_ATTEMPT_SPEED) + baudText(BufBaudRate), true);
    // The port stays open; the driver lets the last request leave before the speed changes.
    COMP->SetComPortBaudRate(BufBaudRate);
    SetCurBaud(BufBaudRate);
    tiTimeWaitRepl->setInterval(FAST_REPLY_MS);
    DispObmen->proc_cf_req(addr_obmen, DispObmen->current());
    return true;
}

void TfmMain::ReceiverFound()
{
    SetFlagReply(true);
    EnablePriemInterf();
    SetRejim(Detector.FRejim);
    addLogLine(QString::fromUtf8(LOG_SUCCESS), false);
    addLogLine(QString::fromUtf8(LOG_SPEED_SWITCH) + ParamStruct.val_baud, true);
    emit linkEstablished();
}

void TfmMain::TransmitterFound()
{
    EnablePeredInterf();
    SetFlagReply(true);
    emit linkEstablished();
}

void TfmMain::bbFindClick()
{
    VivMess(QString::fromUtf8(MSG_WAIT), QString());
    DispObmen->Init();
    ScanPorts();
}

void TfmMain::addLogLine(const QString& line, bool save)
{
    lbStepInit->addItem(line);
    if (save)
        SaveConnectLog();
    lbStepInit->scrollToBottom();
}

void TfmMain::SaveConnectLog()
{
    QStringList lines;
    for (int i = 0; i < lbStepInit->count(); ++i)
        lines << lbStepInit->item(i)->text();
    SafeFile file(QString::fromUtf8(CONNECT_LOG_FILE));
    QString why;
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    if (written)
        written = SafeFile::writeAll(file, linesToCp1251(lines), &why);
    else
        why = file.errorString();
    if (written || connectLogWarnedWindow == this)
        return;
    connectLogWarnedWindow = this;
    // Not modal: the search goes on while the message is read.
    auto* box = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(ERROR_CAPT),
                                QString::fromUtf8(CONNECT_LOG_ERROR_TEXT)
                                    .arg(QFileInfo(file).absoluteFilePath(), why),
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

void TfmMain::ShowPortTroubles()
{
    QStringList lines;
    for (const PortTrouble& t : FPortTroubles) {
        QString line;
        switch (t.kind) {
        case PortTrouble::NoPermission: line = QString::fromUtf8(PORT_NO_PERMISSION).arg(t.port); break;
        case PortTrouble::Gone: line = QString::fromUtf8(PORT_GONE).arg(t.port); break;
        case PortTrouble::NotSerial: line = QString::fromUtf8(PORT_NOT_SERIAL).arg(t.port); break;
        case PortTrouble::Busy:
            if (t.holder == QLatin1String("ModemManager"))
                line = QString::fromUtf8(PORT_BUSY_MODEMMANAGER).arg(t.port);
            else if (t.holder == QLatin1String("brltty"))
                line = QString::fromUtf8(PORT_BUSY_BRLTTY).arg(t.port);
            else if (!t.holder.isEmpty())
                line = QString::fromUtf8(PORT_BUSY_BY).arg(t.port, t.holder);
            else
                line = QString::fromUtf8(PORT_BUSY).arg(t.port);
            break;
        case PortTrouble::None: break;
        }
        if (!line.isEmpty() && !lines.contains(line))
            lines << line;
    }
    if (lines.isEmpty())
        return;
    // Below the explanation; with the connection log shown there is room for one line only.
    const int maxLines = laStepInit->isVisible() ? 1 : 3;
    while (lines.size() > maxLines)
        lines.removeLast();
    stPortTrouble->setText(lines.join(QLatin1Char('\n')));
    const int lineHeight = stPortTrouble->fontMetrics().lineSpacing();
    const int width = 714;
    stPortTrouble->setGeometry(40, 178, width, 0);
    stPortTrouble->setFixedHeight(qMin(stPortTrouble->heightForWidth(width), maxLines * 2 * lineHeight));
    if (laStepInit->isVisible())
        stPortTrouble->setFixedHeight(qMin(stPortTrouble->height(), 203 - 178));
    stPortTrouble->show();
}
