#pragma once
#include "dialogs/ChoiceDialog.h"
#include "protocol/DetectorState.h"

#include <QString>
#include <array>
#include <cstdint>

extern const char* const Skorost_capt[3];
// The caption of a range as the main window shows it.
QString skorostText(Skorost Value);

class TfmSkor : public ChoiceDialog {
    Q_OBJECT
public:
    explicit TfmSkor(QWidget* parent = nullptr);
    Skorost Scor() const { return FScor; }
    void SetScor(Skorost Value);
    std::uint8_t BufScor() const { return FBufScor; }
    void SetBufScor(std::uint8_t Value) { FBufScor = Value; }
    void sbSkorClick(SpeedButton* Sender);
    void sbHelpSkorClick() { showHelp(); }

    QGroupBox* gbSkor = nullptr;
    std::array<SpeedButton*, 3> sbSkor{};  // sbSkor1..sbSkor3, tags 0..2
    QPushButton* sbHelpSkor = nullptr;

signals:
    // The range the dialog shows now: the window behind follows it while the dialog is open.
    void choiceShown(Skorost Value);

protected:
    void chosen(SpeedButton* button) override { sbSkorClick(button); }
    void keepValueAtOpening() override { SetBufScor(FScor); }

private:
    Skorost FScor = 0;
    std::uint8_t FBufScor = 0;
};

extern TfmSkor* fmSkor;
