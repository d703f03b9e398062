// The browser choice dialog.
#include "BrowserSelectionForm.h"

#include <QPushButton>

#include "ElastFrmQt.h"
#include "FormUtils.h"
#include "Settings.h"
#include "platform/Messages.h"
#include "platform/qt/Application.h"
#include "ui_BrowserSelectionForm.h"

TBrowserSelectionForm::TBrowserSelectionForm(QWidget* parent)
    : QDialog(parent), ui_(new Ui::BrowserSelectionForm) {
    ui_->setupUi(this);
    QPushButton* ok = ui_->Buttons->addButton("OK", QDialogButtonBox::ActionRole);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { CallGuarded([this] { OKButtonClick(); }); });
    const TSettings& s = Settings();
    for (const std::string* name : {&s.Browser1Name, &s.Browser2Name, &s.Browser3Name})
        ui_->BrowserList->addItem(ToQString(*name));
    connect(ui_->BrowserList, &QListWidget::itemDoubleClicked, this,
            [this] { CallGuarded([this] { OKButtonClick(); }); });
    new TElasticFormQt(this);
}

TBrowserSelectionForm::~TBrowserSelectionForm() = default;

void TBrowserSelectionForm::OKButtonClick() {
    const int row = ui_->BrowserList->currentRow();
    if (row < 0 || !ui_->BrowserList->currentItem()->isSelected()) {
        MessageDlg("Please select a browser", TMsgDlgType::mtConfirmation, mbOK);
        return;
    }
    chosen_ = row;
    accept();
}

void RunBrowserSelection(QWidget* parent, int& choice) {
    TBrowserSelectionForm form(parent);
    CenterOverForm(&form, parent);
    form.exec();
    if (form.Chosen() >= 0) choice = form.Chosen();
}
