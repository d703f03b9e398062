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

TFontSetting LocalFontSetting(const TSettings& s) {
    return {s.FontName, s.FontSize, s.FontColor, TFontStyles(s.FontStyle & (fsBold | fsItalic))};
}
TFontSetting WorkgroupFontSetting(const TSettings& s) {
    return {s.WgFontName, s.WgFontSize, s.WgFontColor,
            TFontStyles(s.WgFontStyle & (fsBold | fsItalic))};
}

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

namespace {

// A radio group and the item that means "true".
struct TSwitch {
    const char* Group;
    bool TSettings::*Setting;
    int TrueIndex;
};
constexpr TSwitch Switches[] = {
    {"rgPromptBeforeOpen", &TSettings::PromptOnStartup, 1},
    {"rgMinimize", &TSettings::Minimize, 0},
    {"rgInterleave", &TSettings::Interleave, 1},
    {"rgConfirmDelete", &TSettings::ConfirmDeletes, 0},
    {"rgConfirmSaves", &TSettings::ConfirmSaves, 0},
    {"PasswdReq", &TSettings::PWordFile, 0},
    {"PasswdOnEachSave", &TSettings::PWEachSave, 1},
    {"PasswdOnPassword", &TSettings::PWordPWord, 0},
    {"EnterOnEachPasswordAccess", &TSettings::PWEachPw, 1},
    {"PasswdOnCNote", &TSettings::PWordCNote, 0},
    {"EnterOnEachCNoteAccess", &TSettings::PWEachCNote, 1},
    {"PasswdOnPrinting", &TSettings::PWordPrnt, 0},
    {"EnterOnEachPrint", &TSettings::PWEachPrnt, 1},
    {"PasswdOnConfiguration", &TSettings::PWordCfg, 0},
    {"EnterOnEachConfigure", &TSettings::PWEachCfg, 1},
    {"PasswdOnExport", &TSettings::PWordExp, 0},
    {"EnterOnEachExport", &TSettings::PWEachExp, 1},
    {"rgSelectBrowser", &TSettings::AskForBrowser, 1},
    {"WrkGrpAutoLoad", &TSettings::AutoLoad, 1},
    {"rgAutoExpand", &TSettings::AutoExpand, 0},
    {"rgAutoExpandOnDrop", &TSettings::AutoDropExp, 0},
    {"rgAutoScroll", &TSettings::AutoScroll, 0},
    {"rgAutoScrollOnExpand", &TSettings::AutoScrollOnExp, 0},
};

constexpr TColor TSettings::*ColorSettings[8] = {
    &TSettings::BkC1Color, &TSettings::BkC2Color, &TSettings::BkC3Color, &TSettings::BkURLColor,
    &TSettings::WgC1Color, &TSettings::WgC2Color, &TSettings::WgC3Color, &TSettings::WgURLColor,
};

}  // namespace

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
    const TSettings& s = Settings();
    Ui::ConfigAllForm& f = *ui_;
    f.PageControl1->setCurrentIndex(std::clamp(page, 0, f.PageControl1->count() - 1));
    f.FileNameEdit->setText(ToQString(s.Default));
    // The start-up list.
    f.URLList->setColumnCount(1);
    f.URLList->setHeaderLabels({"URLs to Open on Startup"});
    f.URLList->setRootIsDecorated(false);
    f.URLList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    f.URLList->setSelectionBehavior(QAbstractItemView::SelectRows);
    f.URLList->header()->setSectionResizeMode(QHeaderView::Stretch);
    f.URLList->clear();
    for (int i = 0; i < std::min(s.NoOfURLs, MaxStartupURLs); ++i)
        AddStartupItem(s.StartupURLs[size_t(i)]);
    // Colours and fonts.
    for (int i = 0; i < 8; ++i) {
        colors_[size_t(i)] = s.*ColorSettings[i];
        ShowColor(i);
    }
    fonts_ = {LocalFontSetting(s), WorkgroupFontSetting(s)};
    ShowFont(0);
    ShowFont(1);
    // The switches.
    for (const TSwitch& sw : Switches)
        SetRadioIndex(sw.Group, s.*sw.Setting ? sw.TrueIndex : 1 - sw.TrueIndex);
    // The clean-up phrases, one per line.
    QStringList lines;
    for (const std::string& phrase : s.CleanUpPhrases) lines << ToQString(phrase);
    f.Memo1->setPlainText(lines.join('\n'));
    f.BankPasswordEdit->setText(ToQString(s.BankPassword));
    f.BankPasswordEdit2->setText(ToQString(s.BankPassword));
    // Browsers; with none configured, the desktop's default takes the first place.
    f.BrowserEdit1->setText(ToQString(s.Browser1));
    f.BrowserEdit2->setText(ToQString(s.Browser2));
    f.BrowserEdit3->setText(ToQString(s.Browser3));
    if (s.Browser1.empty() && s.Browser2.empty() && s.Browser3.empty() &&
        Seams().FindDefaultBrowser)
        f.BrowserEdit1->setText(ToQString(Seams().FindDefaultBrowser()));
    f.Browser1NameEdt->setText(ToQString(s.Browser1Name));
    f.Browser2NameEdt->setText(ToQString(s.Browser2Name));
    f.Browser3NameEdt->setText(ToQString(s.Browser3Name));
    SetRadioIndex("rgDefaultBrowser", std::clamp(s.DefaultBrowserNo, 1, 3) - 1);
    f.UserNameEdit->setText(ToQString(s.UserName));
    f.WrkGrpUserFileName->setText(ToQString(s.WorkGroupUser));
    // The delays.
    struct {
        TEditTyped* edit;
        int32_t value;
        const char* max;
    } delays[] = {{f.AutoExpandDelayEdit, s.AutoExpDelay, "10000"},
                  {f.AutoScrollDelayEdit, s.AutoScrollDelay, "10000"},
                  {f.AutoScrollIntervalEdit, s.AutoScrollInt, "1000"}};
    for (auto& d : delays) {
        d.edit->SetTypeValue(teInteger);
        d.edit->SetMinValue("1");
        d.edit->SetMaxValue(d.max);
        d.edit->EnabledLimit = true;
        d.edit->SetText(std::to_string(d.value));
    }
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
    TColor color = Settings().*ColorSettings[which];
    if (!AskColor(color)) return;
    colors_[size_t(which)] = color;
    ShowColor(which);
}

void TConfigAllForm::FontChangeButtonClick(int which) {
    // Cancel keeps the font accepted last, so the font saved is the font shown.
    TFontSetting font = fonts_[size_t(which)];
    if (!AskFont(which, font)) return;
    font.Style &= TFontStyles(fsBold | fsItalic);
    fonts_[size_t(which)] = font;
    ShowFont(which);
}

void TConfigAllForm::AddButtonClick() {
    std::vector<std::string> picked;
    if (!PickStartupNames(picked)) return;
    std::vector<std::string> names = StartupNames();
    const size_t before = names.size();
    const bool limited = AddStartupNames(names, picked);
    for (size_t i = before; i < names.size(); ++i) AddStartupItem(names[i]);
    if (limited)
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
    Ui::ConfigAllForm& f = *ui_;
    for (TEditTyped* edit :
         {f.AutoExpandDelayEdit, f.AutoScrollDelayEdit, f.AutoScrollIntervalEdit}) {
        try {
            edit->CheckValue();
        } catch (const std::exception& e) {
            f.PageControl1->setCurrentIndex(cpTreeAction);
            edit->setFocus();
            MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
            return false;
        }
    }
    if (f.BankPasswordEdit->text() != f.BankPasswordEdit2->text()) {
        f.PageControl1->setCurrentIndex(cpSecurity);
        f.BankPasswordEdit2->setFocus();
        MessageDlg("The PassWord entries are not the same.\rPlease try again.",
                   TMsgDlgType::mtError, mbOK);
        return false;
    }
    return true;
}

void TConfigAllForm::SaveButtonClick() {
    if (Validate()) accept();
}

void TConfigAllForm::CopyBack(TSettings& s) const {
    const Ui::ConfigAllForm& f = *ui_;
    auto text = [](const QLineEdit* edit) { return FromQString(edit->text()); };
    auto on = [this](const TSwitch& sw) { return RadioIndex(sw.Group) == sw.TrueIndex; };
    s.Default = text(f.FileNameEdit);
    const std::vector<std::string> names = StartupNames();
    s.StartupURLs = {};
    s.NoOfURLs = int32_t(std::min(names.size(), size_t(MaxStartupURLs)));
    for (int i = 0; i < s.NoOfURLs; ++i) s.StartupURLs[size_t(i)] = names[size_t(i)];
    for (int i = 0; i < 8; ++i) s.*ColorSettings[i] = colors_[size_t(i)];
    s.FontName = fonts_[0].Name;
    s.FontSize = fonts_[0].Size;
    s.FontColor = fonts_[0].Color;
    s.FontStyle = fonts_[0].Style;
    s.WgFontName = fonts_[1].Name;
    s.WgFontSize = fonts_[1].Size;
    s.WgFontColor = fonts_[1].Color;
    s.WgFontStyle = fonts_[1].Style;
    for (const TSwitch& sw : Switches) s.*sw.Setting = on(sw);
    std::vector<std::string> lines;
    for (const QString& line : f.Memo1->toPlainText().split('\n'))
        lines.push_back(FromQString(line));
    s.CleanUpPhrases = CleanUpPhrasesFromLines(lines);
    s.BankPassword = Trim(text(f.BankPasswordEdit)).substr(0, 255);
    s.Browser1 = text(f.BrowserEdit1);
    s.Browser1Name = text(f.Browser1NameEdt);
    s.Browser2 = text(f.BrowserEdit2);
    s.Browser2Name = text(f.Browser2NameEdt);
    s.Browser3 = text(f.BrowserEdit3);
    s.Browser3Name = text(f.Browser3NameEdt);
    s.DefaultBrowserNo = std::clamp(RadioIndex("rgDefaultBrowser") + 1, 1, 3);
    s.Browser = s.DefaultBrowserNo == 1   ? s.Browser1
                : s.DefaultBrowserNo == 2 ? s.Browser2
                                          : s.Browser3;
    s.UserName = Trim(text(f.UserNameEdit));
    s.WorkGroupUser = Trim(text(f.WrkGrpUserFileName));
    s.AutoExpDelay = int32_t(std::stol(f.AutoExpandDelayEdit->Text()));
    s.AutoScrollDelay = int32_t(std::stol(f.AutoScrollDelayEdit->Text()));
    s.AutoScrollInt = int32_t(std::stol(f.AutoScrollIntervalEdit->Text()));
}
