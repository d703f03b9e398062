// The about box, filled from the compiled version record.
#include "AboutBox.h"

#include <QEvent>
#include <QPushButton>

#include "AboutTexts.h"
#include "AppSeams.h"
#include "Artwork.h"
#include "ElastFrmQt.h"
#include "FormUtils.h"
#include "StVInfo.h"
#include "platform/Messages.h"
#include "platform/qt/Application.h"
#include "platform/qt/Cursors.h"
#include "ui_AboutBox.h"

TAboutBox::TAboutBox(QWidget* parentForm)
    : QDialog(parentForm), ParentForm(parentForm), ui_(new Ui::AboutBox) {
    ui_->setupUi(this);
    QPushButton* ok = ui_->Buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    connect(ui_->Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    TStVersionInfo info;
    ui_->Version->setText(ToQString(AboutVersionText(info.ProductVersionMS())));
    build_ = AboutBuildText(info.FileVersionMS(), info.FileVersionLS(), false);
    ui_->Build->setText(ToQString(build_));
    ui_->Copyright->setText(ToQString(info.LegalCopyright()));
    ui_->Trademark->setText(ToQString(info.LegalTrademarks()));
    ui_->Title->setText(ToQString(ApplicationTitle().empty() ? "Lorvane" : ApplicationTitle()));
    ui_->CorporateName->setText(ToQString(info.CompanyName()));
    ui_->ProgramIcon->setPixmap(ProgramPixmap(48));
    ui_->Mail->setText("Contact us");
    ui_->Mail->setToolTip(MakerMailLink);
    ui_->WebSite->setText(ToQString(MakerWebSite));
    ui_->WebSite->setToolTip(MakerWebSite);
    for (QLabel* link : {ui_->Mail, ui_->WebSite}) {
        link->setCursor(ToQCursor(crHandPoint));
        QFont f = link->font();
        f.setUnderline(true);
        link->setFont(f);
        link->setStyleSheet("color: #1a4fb0");
        link->installEventFilter(this);
    }
    new TElasticFormQt(this);
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QFont f = ui_->Title->font();
    f.setPointSize(TitleFontSize);
    f.setBold(true);
    ui_->Title->setFont(f);
    QPalette p = ui_->Title->palette();
    p.setColor(QPalette::WindowText, TitleFontColor);
    ui_->Title->setPalette(p);
    ui_->Build->setText(ToQString(ThreeLevelBuild && build_.rfind('.') != std::string::npos
                                      ? build_.substr(0, build_.rfind('.'))
                                      : build_));
    CenterOverForm(this, ParentForm);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == ui_->Mail || watched == ui_->WebSite) &&
        (event->type() == QEvent::MouseButtonRelease ||
         event->type() == QEvent::MouseButtonDblClick)) {
        const std::string target = FromQString(static_cast<QWidget*>(watched)->toolTip());
        CallGuarded([&] {
            const std::string text = "Could not open URL\r" + target;
            try {
                OpenDocumentSeam(target, [text](const std::string&) {
                    MessageDlg(text, TMsgDlgType::mtError, mbOK);
                });
            } catch (const std::exception&) {
                MessageDlg(text, TMsgDlgType::mtError, mbOK);
            }
        });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
