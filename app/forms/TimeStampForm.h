// The notice that the workgroup bank on disk is newer than the one loaded; it closes itself.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

namespace Ui {
class TimeStampForm;
}
class QTimer;

class TTimeStampForm : public QDialog {
    Q_OBJECT
public:
    TTimeStampForm(QWidget* parent, const std::string& bankFile);
    ~TTimeStampForm() override;

    Ui::TimeStampForm& Form() { return *ui_; }
    // How long the notice stays, in milliseconds (tests shorten it).
    static int& CloseDelay();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::TimeStampForm> ui_;
    // Closes the notice with OK when it runs out ("Timer1").
    QTimer* timer1_ = nullptr;
};
