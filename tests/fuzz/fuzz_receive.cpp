// Feeds arbitrary bytes, in arbitrary chunks, through the receive path into the dispatcher:
// COMPReceiveData -> TestRecData -> TranslateRec -> the dispatcher's next request.
#include "connection/delay.h"
#include "connection/receive.h"
#include "panel/main.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QTimer>
#include <QTemporaryDir>

#include <cstdlib>

namespace {
QTemporaryDir* workDir = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("DORVIK_SERIAL_PORTS", "");
    new QApplication(*argc, *argv);
    workDir = new QTemporaryDir;
    QDir::setCurrent(workDir->path());
    // Nothing may block or wait: the error box and the speed switch's pauses are recorded only.
    setDelayOverride([](std::uint32_t) {});
    setReceiveErrorPresenter([](const QString&) {});
    CreateForms();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // Each input starts from a fresh search state, as after the search button, and leaves
    // nothing queued behind it (no event loop runs here otherwise).
    fmMain->lbStepInit->clear();
    fmMain->tiRepair->stop();
    QCoreApplication::sendPostedEvents();
    // First byte: where the exchange stands when the bytes arrive.
    DispObmen->Init();
    switch (data[0] % 4) {
    case 0: DispObmen->FlagScanPorts = true; break;                // searching
    case 1: fmMain->Detector.FIdent = 0; DispObmen->StartNeprObmen(); break; // polling a receiver
    case 2: fmMain->Detector.FIdent = 32; DispObmen->StartNeprObmen(); break; // polling a transmitter
    default: DispObmen->FlagSetPorog.raise(7); DispObmen->FlagSetLiter.raise(3); DispObmen->StartNeprObmen(); break;
    }
    fmMain->Detector.FRejim = TRejim(data[0] >> 2 & 3);
    // Then chunks: a length byte (1..32) followed by that many bytes.
    size_t i = 1;
    while (i < size) {
        const int len = 1 + data[i++] % 32;
        const int n = int(std::min<size_t>(size_t(len), size - i));
        if (n <= 0)
            break;
        fmMain->link->COMPReceiveData(fmMain->COMP, data + i, n);
        i += size_t(n);
        if (Receiver->CountRe() > TReceiver::kCapacity)
            std::abort();
    }
    return 0;
}
