#pragma once
#include "dialogs/ChoiceDialog.h"
#include "protocol/DetectorState.h"

#include <array>
#include <cstdint>

class TfmLiter : public ChoiceDialog {
    Q_OBJECT
public:
    explicit TfmLiter(QWidget* parent = nullptr);
    TLitera Lit() const { return FLit; }
    void SetLit(TLitera Value);
    std::uint8_t BufLit() const { return FBufLit; }
    void SetBufLit(std::uint8_t Value) { FBufLit = Value; }
    void sbClick(SpeedButton* Sender);
    void sbHelpLitClick() { showHelp(); }

    QGroupBox* gbLiter = nullptr;
    std::array<SpeedButton*, 8> sb{};  // sb1..sb8, tags 1..8
    QPushButton* sbHelpLit = nullptr;

signals:
    // The letter the dialog shows now: the window behind follows it while the dialog is open.
    void choiceShown(TLitera Value);

protected:
    void chosen(SpeedButton* button) override { sbClick(button); }
    void keepValueAtOpening() override { SetBufLit(FLit); }

private:
    TLitera FLit = 1;
    std::uint8_t FBufLit = 1;
};

extern TfmLiter* fmLiter;
