#pragma once
#include <QDialog>
#include <cstdint>

class QGroupBox;
class QLineEdit;
class QPushButton;

class TfmAddr : public QDialog {
    Q_OBJECT
public:
    explicit TfmAddr(QWidget* parent = nullptr);
    std::int32_t Addr() const { return FAddr; }
    void SetAddr(std::int32_t Value);
    std::int32_t BufAddr() const { return FBufAddr; }
    void SetBufAddr(std::int32_t Value) { FBufAddr = Value; }
    // Decides whether the dialog may close with result r (Accepted or Rejected).
    bool FormCloseQuery(int r);
    void sbHelpAddrClick();

    QGroupBox* gbAddr = nullptr;
    QLineEdit* edAddr = nullptr;
    QPushButton* bbSet = nullptr;
    QPushButton* bbCancel = nullptr;
    QPushButton* sbHelpAddr = nullptr;

    void done(int r) override;

signals:
    // The address the dialog shows now: the window behind follows it while the dialog is open.
    void choiceShown(std::int32_t Value);

protected:
    void showEvent(QShowEvent* e) override;
    // Typed characters other than digits never reach edAddr (edAddrKeyPress).
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    std::int32_t FAddr = 0;
    std::int32_t FBufAddr = 0;
};

extern TfmAddr* fmAddr;
