// The workgroup bank's update notice.
#include "TimeStampForm.h"

#include <QPushButton>
#include <QTimer>

#include "FormUtils.h"
#include "platform/qt/Application.h"
#include "ui_TimeStampForm.h"

int& TTimeStampForm::CloseDelay() {
    static int delay = 30000;
    return delay;
}

TTimeStampForm::TTimeStampForm(QWidget* parent, const std::string& bankFile)
    : QDialog(parent), ui_(new Ui::TimeStampForm) {
    ui_->setupUi(this);
    ui_->Label1->setText(ToQString(bankFile));
    timer1_ = new QTimer(this);
    timer1_->setObjectName("Timer1");
    timer1_->setSingleShot(true);
    timer1_->setInterval(CloseDelay());
    connect(timer1_, &QTimer::timeout, this, &QDialog::accept);
    connect(ui_->OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

TTimeStampForm::~TTimeStampForm() = default;

void TTimeStampForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CenterOverForm(this, parentWidget() ? parentWidget()->window() : MainWindowWidget());
    timer1_->start();
}
