#pragma once
#include <QDialog>
#include <array>
#include <cstdint>

class QGroupBox;
class QPushButton;
class SpeedButton;

#include "protocol/DetectorState.h"

#include <QString>

extern const char* const Skorost_capt[3];
// The caption of a range as the main window shows it.
QString skorostText(Skorost Value);

class TfmSkor : public QDialog {
    Q_OBJECT
public:
    explicit TfmSkor(QWidget* parent = nullptr);
    Skorost Scor() const { return FScor; }
    void SetScor(Skorost Value);
    std::uint8_t BufScor() const { return FBufScor; }
    void SetBufScor(std::uint8_t Value) { FBufScor = Value; }
    void sbSkorClick(SpeedButton* Sender);
    void sbHelpSkorClick();

    QGroupBox* gbSkor = nullptr;
    std::array<SpeedButton*, 3> sbSkor{};  // sbSkor1..sbSkor3, tags 0..2
    QPushButton* bbSet = nullptr;
    QPushButton* bbCancel = nullptr;
    QPushButton* sbHelpSkor = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    Skorost FScor = 0;
    std::uint8_t FBufScor = 0;
};

extern TfmSkor* fmSkor;
