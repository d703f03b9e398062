#include "ConfigAllForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTreeWidget>

#include "AppSeams.h"
#include "BankModel.h"
#include "BrowserChoice.h"
#include "BulkMaintenance.h"
#include "EditType.h"
#include "ElastFrmQt.h"
#include "EntryListView.h"
#include "FormUtils.h"
#include "platform/FileUtils.h"
#include "platform/Messages.h"
#include "platform/SysUtils.h"
#include "platform/qt/Application.h"
#include "platform/qt/QtColors.h"
#include "ui_ConfigAllForm.h"
#include "ui_SelectURLForm.h"

namespace {

void Swatch(QLabel* label, TColor color) {
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, ToQColor(color));
    label->setPalette(palette);
    label->setFrameShape(QFrame::Box);
    label->setMinimumSize(60, 18);
}

QFont ToQFont(const TFontSetting& f) {
    QFont font(ToQString(f.Name));
    font.setPointSize(f.Size > 0 ? f.Size : 9);
    font.setBold((f.Style & fsBold) != 0);
    font.setItalic((f.Style & fsItalic) != 0);
    return font;
}

// The first folder of PATH that exists; "/usr/bin" when there is none.
QString ExecutablesFolder() {
    for (const QString& dir : qEnvironmentVariable("PATH").split(':', Qt::SkipEmptyParts))
        if (QFileInfo(dir).isDir()) return dir;
    return "/usr/bin";
}

}  // namespace

// ---- The font-and-colour dialog ----

TFontColorDialog::TFontColorDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("FontColorDialog");
    setWindowTitle("Font");
    auto* form = new QFormLayout(this);
    family_ = new QFontComboBox(this);
    family_->setFontFilters(QFontComboBox::ScalableFonts);
    size_ = new QSpinBox(this);
    size_->setRange(6, 72);
    bold_ = new QCheckBox("Bold", this);
    italic_ = new QCheckBox("Italic", this);
    colorButton_ = new QPushButton("Colour...", this);
    sample_ = new QLabel("AaBbYyZz", this);
    sample_->setMinimumHeight(40);
    auto* styles = new QHBoxLayout;
    styles->addWidget(bold_);
    styles->addWidget(italic_);
    styles->addWidget(colorButton_);
    form->addRow("Font:", family_);
    form->addRow("Size:", size_);
    form->addRow(styles);
    form->addRow("Sample:", sample_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(colorButton_, &QPushButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(ToQColor(color_), this);
        if (chosen.isValid()) {
            color_ = FromQColor(chosen);
            ShowColor();
        }
    });
    auto update = [this] { ShowColor(); };
    connect(family_, &QFontComboBox::currentFontChanged, this, update);
    connect(size_, &QSpinBox::valueChanged, this, update);
    connect(bold_, &QCheckBox::toggled, this, update);
    connect(italic_, &QCheckBox::toggled, this, update);
}

void TFontColorDialog::SetFont(const TFontSetting& font) {
    family_->setCurrentFont(QFont(ToQString(font.Name)));
    // A name the system substitutes stays as it was unless another family is chosen.
    name_ = font.Name;
    shownFamily_ = family_->currentFont().family();
    size_->setValue(font.Size);
    bold_->setChecked((font.Style & fsBold) != 0);
    italic_->setChecked((font.Style & fsItalic) != 0);
    color_ = font.Color;
    ShowColor();
}

TFontSetting TFontColorDialog::Font() const {
    TFontSetting f;
    const QString family = family_->currentFont().family();
    f.Name = family == shownFamily_ && !name_.empty() ? name_ : FromQString(family);
    f.Size = size_->value();
    f.Color = color_;
    f.Style =
        TFontStyles((bold_->isChecked() ? fsBold : 0) | (italic_->isChecked() ? fsItalic : 0));
    return f;
}

void TFontColorDialog::ShowColor() {
    sample_->setFont(ToQFont(Font()));
    QPalette palette = sample_->palette();
    palette.setColor(QPalette::WindowText, ToQColor(color_));
    sample_->setPalette(palette);
}

// ---- The start-up picker ----

TSelectURLForm::TSelectURLForm(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::SelectURLForm>()) {
    ui_->setupUi(this);
    {
        TBusyScope busy;
        ui_->EntryList->FillEntries(Bank());
    }
    connect(ui_->DoneButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    new TElasticFormQt(this);
}

TSelectURLForm::~TSelectURLForm() = default;

TEntryListView& TSelectURLForm::List() const {
    return *ui_->EntryList;
}

std::vector<std::string> TSelectURLForm::SelectedNames() const {
    std::vector<std::string> names;
    for (size_t row : List().SelectedRows()) names.push_back(List().Rows()[row].Text(elcName));
    return names;
}

void TSelectURLForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    CenterOverForm(this, parentWidget() ? parentWidget()->window() : MainWindowWidget());
    ui_->EntryList->setFocus();
}

// ---- The configuration dialog ----

TConfigAllForm::TConfigAllForm(int page, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::ConfigAllForm>()) {
    ui_->setupUi(this);
    // Each radio group is one exclusive set, its items numbered in order.
    for (QGroupBox* box : findChildren<QGroupBox*>()) {
        QButtonGroup* group = nullptr;
        for (int i = 0;; ++i) {
            auto* item = box->findChild<QRadioButton*>(box->objectName() + QString("Item%1").arg(i),
                                                       Qt::FindDirectChildrenOnly);
            if (!item) break;
            if (!group) {
                group = new QButtonGroup(box);
                group->setObjectName(box->objectName() + "Group");
            }
            group->addButton(item, i);
        }
    }
    AskColor = [this](TColor& color) {
        const QColor chosen = QColorDialog::getColor(ToQColor(color), this);
        if (!chosen.isValid()) return false;
        color = FromQColor(chosen);
        return true;
    };
    AskFont = [this](int, TFontSetting& font) {
        TFontColorDialog dialog(this);
        dialog.SetFont(font);
        if (dialog.exec() != QDialog::Accepted) return false;
        font = dialog.Font();
        return true;
    };
    PickStartupNames = [this](std::vector<std::string>& names) {
        TSelectURLForm picker(this);
        if (picker.exec() != QDialog::Accepted) return false;
        names = picker.SelectedNames();
        return true;
    };
    AskFileName = [this](int which) {
        QString filter = "All Files (*)";
        QString folder = ToQString(UserDataFolder());
        if (which == 0) filter = "Bank (*.bnk *.BNK);;All Files (*)";
        if (which == 4) filter = "Workgrp User (*.wbu *.WBU);;All Files (*)";
        if (which >= 1 && which <= 3) folder = ExecutablesFolder();
        for (;;) {
            const QString path = QFileDialog::getOpenFileName(this, "Open", folder, filter);
            if (path.isEmpty()) return std::string();
            if (which < 1 || which > 3 || QFileInfo(path).isExecutable()) return FromQString(path);
            MessageDlg("This file is not a program.\rPlease try again.", TMsgDlgType::mtError,
                       mbOK);
        }
    };
    FormCreate(page);

    Ui::ConfigAllForm& f = *ui_;
    connect(f.SaveButton, &QPushButton::clicked, this,
            [this] { CallGuarded([&] { SaveButtonClick(); }); });
    connect(f.CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    QPushButton* colorButtons[8] = {
        f.Category1ColorBtn,   f.Category2ColorBtn,   f.Category3ColorBtn,   f.URLColorBtn,
        f.WgCategory1ColorBtn, f.WgCategory2ColorBtn, f.WgCategory3ColorBtn, f.WgURLColorBtn};
    for (int i = 0; i < 8; ++i)
        connect(colorButtons[i], &QPushButton::clicked, this,
                [this, i] { CallGuarded([&] { ColorButtonClick(i); }); });
    connect(f.FontChangeButton, &QPushButton::clicked, this,
            [this] { CallGuarded([&] { FontChangeButtonClick(0); }); });
    connect(f.WgFontChangeButton, &QPushButton::clicked, this,
            [this] { CallGuarded([&] { FontChangeButtonClick(1); }); });
    connect(f.AddButton, &QPushButton::clicked, this,
            [this] { CallGuarded([&] { AddButtonClick(); }); });
    connect(f.DeleteButton, &QPushButton::clicked, this, [this] { DeleteButtonClick(); });
    connect(f.ClearButton, &QPushButton::clicked, this, [this] { ClearButtonClick(); });
    QPushButton* browse[5] = {f.BrowseButton, f.BrowseButton1, f.BrowseButton2, f.BrowseButton3,
                              f.UserBrowseButton};
    for (int i = 0; i < 5; ++i)
        connect(browse[i], &QPushButton::clicked, this,
                [this, i] { CallGuarded([&] { BrowseClick(i); }); });
    new TElasticFormQt(this);
}

TConfigAllForm::~TConfigAllForm() = default;

void TConfigAllForm::FormCreate(int page) {
    Ui::ConfigAllForm& f = *ui_;
    f.PageControl1->setCurrentIndex(std::clamp(page, 0, f.PageControl1->count() - 1));
    // The start-up list.
    f.URLList->setColumnCount(1);
    f.URLList->setHeaderLabels({"URLs to Open on Startup"});
    f.URLList->setRootIsDecorated(false);
    f.URLList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    f.URLList->setSelectionBehavior(QAbstractItemView::SelectRows);
    f.URLList->header()->setSectionResizeMode(QHeaderView::Stretch);
    // The delays, whole numbers within their ranges.
    TEditTyped* delays[3] = {f.AutoExpandDelayEdit, f.AutoScrollDelayEdit,
                             f.AutoScrollIntervalEdit};
    for (size_t i = 0; i < 3; ++i) {
        delays[i]->SetTypeValue(teInteger);
        delays[i]->SetMinValue(std::to_string(DelayRanges[i].Min));
        delays[i]->SetMaxValue(std::to_string(DelayRanges[i].Max));
        delays[i]->EnabledLimit = true;
    }
    SetTexts(ConfigFormTexts(Settings(), FindDefaultBrowser()));
}

TConfigFormTexts TConfigAllForm::Texts() const {
    const Ui::ConfigAllForm& f = *ui_;
    auto text = [](const QLineEdit* edit) { return FromQString(edit->text()); };
    TConfigFormTexts t;
    t.DefaultBank = text(f.FileNameEdit);
    t.StartupNames = StartupNames();
    t.Colors = colors_;
    t.Fonts = fonts_;
    for (size_t i = 0; i < ConfigSwitches.size(); ++i)
        t.SwitchItems[i] = RadioIndex(ConfigSwitches[i].Group);
    for (const QString& line : f.Memo1->toPlainText().split('\n'))
        t.CleanUpLines.push_back(FromQString(line));
    t.BankPassword = text(f.BankPasswordEdit);
    t.BankPassword2 = text(f.BankPasswordEdit2);
    t.BrowserPaths = {text(f.BrowserEdit1), text(f.BrowserEdit2), text(f.BrowserEdit3)};
    t.BrowserNames = {text(f.Browser1NameEdt), text(f.Browser2NameEdt), text(f.Browser3NameEdt)};
    t.DefaultBrowserItem = RadioIndex("rgDefaultBrowser");
    t.UserName = text(f.UserNameEdit);
    t.WorkGroupUser = text(f.WrkGrpUserFileName);
    t.Delays = {f.AutoExpandDelayEdit->Text(), f.AutoScrollDelayEdit->Text(),
                f.AutoScrollIntervalEdit->Text()};
    return t;
}

void TConfigAllForm::SetTexts(const TConfigFormTexts& t) {
    Ui::ConfigAllForm& f = *ui_;
    f.FileNameEdit->setText(ToQString(t.DefaultBank));
    f.URLList->clear();
    for (const std::string& name : t.StartupNames) AddStartupItem(name);
    colors_ = t.Colors;
    for (int i = 0; i < int(colors_.size()); ++i) ShowColor(i);
    fonts_ = t.Fonts;
    ShowFont(0);
    ShowFont(1);
    for (size_t i = 0; i < ConfigSwitches.size(); ++i)
        SetRadioIndex(ConfigSwitches[i].Group, t.SwitchItems[i]);
    QStringList lines;
    for (const std::string& line : t.CleanUpLines) lines << ToQString(line);
    f.Memo1->setPlainText(lines.join('\n'));
    f.BankPasswordEdit->setText(ToQString(t.BankPassword));
    f.BankPasswordEdit2->setText(ToQString(t.BankPassword2));
    QLineEdit* paths[3] = {f.BrowserEdit1, f.BrowserEdit2, f.BrowserEdit3};
    QLineEdit* names[3] = {f.Browser1NameEdt, f.Browser2NameEdt, f.Browser3NameEdt};
    for (size_t i = 0; i < 3; ++i) {
        paths[i]->setText(ToQString(t.BrowserPaths[i]));
        names[i]->setText(ToQString(t.BrowserNames[i]));
    }
    SetRadioIndex("rgDefaultBrowser", t.DefaultBrowserItem);
    f.UserNameEdit->setText(ToQString(t.UserName));
    f.WrkGrpUserFileName->setText(ToQString(t.WorkGroupUser));
    f.AutoExpandDelayEdit->SetText(t.Delays[0]);
    f.AutoScrollDelayEdit->SetText(t.Delays[1]);
    f.AutoScrollIntervalEdit->SetText(t.Delays[2]);
}

void TConfigAllForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    CenterOverForm(this, parentWidget() ? parentWidget()->window() : MainWindowWidget());
}

int TConfigAllForm::RadioIndex(const char* group) const {
    auto* g = findChild<QButtonGroup*>(QString(group) + "Group");
    return g ? g->checkedId() : -1;
}

void TConfigAllForm::SetRadioIndex(const char* group, int index) {
    auto* g = findChild<QButtonGroup*>(QString(group) + "Group");
    if (QAbstractButton* item = g ? g->button(index) : nullptr) item->setChecked(true);
}

void TConfigAllForm::ShowColor(int which) {
    Ui::ConfigAllForm& f = *ui_;
    QLabel* labels[8] = {f.Category1ColorLbl,   f.Category2ColorLbl,   f.Category3ColorLbl,
                         f.URLColorLbl,         f.WgCategory1ColorLbl, f.WgCategory2ColorLbl,
                         f.WgCategory3ColorLbl, f.WgURLColorLbl};
    Swatch(labels[which], colors_[size_t(which)]);
}

void TConfigAllForm::ShowFont(int which) {
    QLineEdit* display = which == 0 ? ui_->CurrentFontDisplay : ui_->WgCurrentFontDisplay;
    const TFontSetting& font = fonts_[size_t(which)];
    display->setFont(ToQFont(font));
    QPalette palette = display->palette();
    palette.setColor(QPalette::Text, ToQColor(font.Color));
    display->setPalette(palette);
}

void TConfigAllForm::AddStartupItem(const std::string& name) {
    new QTreeWidgetItem(ui_->URLList, QStringList{ToQString(name)});
}

std::vector<std::string> TConfigAllForm::StartupNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < ui_->URLList->topLevelItemCount(); ++i)
        names.push_back(FromQString(ui_->URLList->topLevelItem(i)->text(0)));
    return names;
}

void TConfigAllForm::ColorButtonClick(int which) {
    // The dialog starts from the saved colour, not one chosen earlier in this session.
    TColor color = Settings().*ConfigColors[size_t(which)];
    if (!AskColor(color)) return;
    colors_[size_t(which)] = color;
    ShowColor(which);
}

void TConfigAllForm::FontChangeButtonClick(int which) {
    // Cancel keeps the font accepted last, so the font saved is the font shown.
    TFontSetting font = fonts_[size_t(which)];
    if (!AskFont(which, font)) return;
    fonts_[size_t(which)] = KeptFont(font);
    ShowFont(which);
}

void TConfigAllForm::AddButtonClick() {
    std::vector<std::string> picked;
    if (!PickStartupNames(picked)) return;
    std::vector<std::string> names = StartupNames();
    const size_t before = names.size();
    const bool refused = AddStartupNames(names, picked);
    for (size_t i = before; i < names.size(); ++i) AddStartupItem(names[i]);
    // The limit is told as soon as additions reach it, whether or not a pick was refused.
    const bool filled = names.size() > before && names.size() >= size_t(MaxStartupURLs);
    if (refused || filled)
        MessageDlg("Startup URLs limited to " + std::to_string(MaxStartupURLs),
                   TMsgDlgType::mtError, mbOK);
}

void TConfigAllForm::DeleteButtonClick() {
    QTreeWidget* list = ui_->URLList;
    for (int i = list->topLevelItemCount() - 1; i >= 0; --i)
        if (list->topLevelItem(i)->isSelected()) delete list->takeTopLevelItem(i);
}

void TConfigAllForm::ClearButtonClick() {
    ui_->URLList->clear();
}

void TConfigAllForm::BrowseClick(int which) {
    const std::string path = AskFileName(which);
    if (path.empty()) return;
    Ui::ConfigAllForm& f = *ui_;
    QLineEdit* edits[5] = {f.FileNameEdit, f.BrowserEdit1, f.BrowserEdit2, f.BrowserEdit3,
                           f.WrkGrpUserFileName};
    edits[which]->setText(ToQString(path));
}

bool TConfigAllForm::Validate() {
    const std::optional<TConfigFault> fault = CheckConfigFormTexts(Texts());
    if (!fault) return true;
    Ui::ConfigAllForm& f = *ui_;
    QWidget* controls[] = {f.AutoExpandDelayEdit, f.AutoScrollDelayEdit, f.AutoScrollIntervalEdit,
                           f.BankPasswordEdit2};
    f.PageControl1->setCurrentIndex(fault->Page);
    controls[fault->Field]->setFocus();
    MessageDlg(fault->Message, TMsgDlgType::mtError, mbOK);
    return false;
}

void TConfigAllForm::SaveButtonClick() {
    if (Validate()) accept();
}
