#pragma once
#include <QDialog>
#include <array>
#include <cstdint>

class QGroupBox;
class QPushButton;
class SpeedButton;

#include "protocol/DetectorState.h"

class TfmLiter : public QDialog {
    Q_OBJECT
public:
    explicit TfmLiter(QWidget* parent = nullptr);
    TLitera Lit() const { return FLit; }
    void SetLit(TLitera Value);
    std::uint8_t BufLit() const { return FBufLit; }
    void SetBufLit(std::uint8_t Value) { FBufLit = Value; }
    void sbClick(SpeedButton* Sender);
    void sbHelpLitClick();

    QGroupBox* gbLiter = nullptr;
    std::array<SpeedButton*, 8> sb{};  // sb1..sb8, tags 1..8
    QPushButton* bbSet = nullptr;
    QPushButton* bbCancel = nullptr;
    QPushButton* sbHelpLit = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    TLitera FLit = 1;
    std::uint8_t FBufLit = 1;
};

extern TfmLiter* fmLiter;
