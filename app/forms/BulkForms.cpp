#include "BulkForms.h"

#include <QCheckBox>
#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include "AppSeams.h"
#include "BankModel.h"
#include "ElastFrmQt.h"
#include "EntryListView.h"
#include "FormUtils.h"
#include "QCombo.h"
#include "Settings.h"
#include "platform/SysUtils.h"
#include "platform/qt/Application.h"
#include "ui_CatChgSelForm.h"
#include "ui_DelSelForm.h"
#include "ui_FavUpdateForm.h"

namespace {

void CenterOverMain(QWidget* dialog) {
    CenterOverForm(dialog,
                   dialog->parentWidget() ? dialog->parentWidget()->window() : MainWindowWidget());
}

void FillCombo(TQuickComboBox* combo, const std::vector<std::string>& items) {
    combo->clear();
    for (const std::string& item : items) combo->addItem(ToQString(item));
}

// The combo's text trimmed, leaving the list alone.
std::string TrimCombo(TQuickComboBox* combo) {
    const std::string text = Trim(combo->Text());
    combo->SetText(text);
    return text;
}

}  // namespace

// ---- Category change ----

TCatChgSelForm::TCatChgSelForm(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CatChgSelForm>()) {
    ui_->setupUi(this);
    {
        TBusyScope busy;
        ui_->EntryList->FillEntries(Bank());
    }
    for (TQuickComboBox* combo : {ui_->C1Combo, ui_->C2Combo, ui_->C3Combo}) {
        combo->setEditable(true);
        combo->clear();
        combo->lineEdit()->setMaxLength(int(MaxCategoryLength));
        combo->installEventFilter(this);
    }
    FillCombo(ui_->C1Combo, FillCategory1Choices(Bank()));
    ui_->C1Combo->SetText("");
    connect(ui_->ChangeButton, &QPushButton::clicked, this,
            [this] { CallGuarded([&] { ChangeButtonClick(); }); });
    connect(ui_->CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    new TElasticFormQt(this);
}

TCatChgSelForm::~TCatChgSelForm() = default;

TEntryListView& TCatChgSelForm::List() const {
    return *ui_->EntryList;
}

bool TCatChgSelForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (watched == ui_->C1Combo) CallGuarded([&] { C1ComboExit(); });
        if (watched == ui_->C2Combo) CallGuarded([&] { C2ComboExit(); });
    }
    return QDialog::eventFilter(watched, event);
}

void TCatChgSelForm::C1ComboExit() {
    const std::string c1 = TrimCombo(ui_->C1Combo);
    const std::string c2 = ui_->C2Combo->Text();
    FillCombo(ui_->C2Combo, FillCategory2Choices(Bank(), c1));
    ui_->C2Combo->SetText(c2);
}

void TCatChgSelForm::C2ComboExit() {
    const std::string c1 = TrimCombo(ui_->C1Combo);
    const std::string c2 = TrimCombo(ui_->C2Combo);
    const std::string c3 = ui_->C3Combo->Text();
    FillCombo(ui_->C3Combo, FillCategory3Choices(Bank(), c1, c2));
    ui_->C3Combo->SetText(c3);
}

void TCatChgSelForm::ChangeButtonClick() {
    if (ChangeCategoriesOfSelection(
            Bank(), List().selectedIndices(),
            {ui_->C1Combo->Text(), ui_->C2Combo->Text(), ui_->C3Combo->Text()},
            {ui_->CheckBox1->isChecked(), ui_->CheckBox2->isChecked(), ui_->CheckBox3->isChecked()},
            Now()))
        accept();
}

void TCatChgSelForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    CenterOverMain(this);
    List().setFocus();
}

// ---- Delete by selection ----

TDelSelForm::TDelSelForm(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::DelSelForm>()) {
    ui_->setupUi(this);
    {
        TBusyScope busy;
        ui_->EntryList->FillEntries(Bank());
    }
    connect(ui_->DeleteButton, &QPushButton::clicked, this,
            [this] { CallGuarded([&] { DeleteButtonClick(); }); });
    connect(ui_->CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    new TElasticFormQt(this);
}

TDelSelForm::~TDelSelForm() = default;

TEntryListView& TDelSelForm::List() const {
    return *ui_->EntryList;
}

void TDelSelForm::DeleteButtonClick() {
    const std::vector<int> indices = List().selectedIndices();
    if (DeleteEntriesConfirmed(Bank(), Settings(), indices)) accept();
}

void TDelSelForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    CenterOverMain(this);
    List().setFocus();
}

// ---- Favourites update ----

namespace {

// A report list's grid: each cell framed on its right and bottom edge.
class GridLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Mid));
        const QRect r = option.rect;
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->restore();
    }
};

}  // namespace

TFavUpdateForm::TFavUpdateForm(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::FavUpdateForm>()) {
    ui_->setupUi(this);
    QTreeWidget* list = ui_->FavUpdateList;
    list->setColumnCount(7);
    list->setHeaderLabels({"Fav", "Count", "Name", "Category 1", "Category 2", "Category 3", ""});
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setAllColumnsShowFocus(true);
    list->setColumnHidden(fcIndex, true);
    list->setItemDelegate(new GridLineDelegate(list));
    {
        TBusyScope busy;
        rows_ = FavoriteRows(Bank());
        for (const TFavoriteRow& row : rows_) {
            auto* item = new QTreeWidgetItem(
                list, QStringList{" ", ToQString(row.CountText), ToQString(row.Name),
                                  ToQString(row.Category1), ToQString(row.Category2),
                                  ToQString(row.Category3), QString::number(row.EntryIndex)});
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(fcFav, row.Checked ? Qt::Checked : Qt::Unchecked);
            item->setTextAlignment(fcCount, Qt::AlignRight | Qt::AlignVCenter);
        }
    }
    KeepListColumnsFitted(*list);
    connect(ui_->FavUpdateDoneButton, &QPushButton::clicked, this,
            [this] { CallGuarded([&] { FavUpdateDoneButtonClick(); }); });
    connect(ui_->CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    new TElasticFormQt(this);
}

TFavUpdateForm::~TFavUpdateForm() = default;

std::vector<TFavoriteRow> TFavUpdateForm::Rows() const {
    std::vector<TFavoriteRow> rows = rows_;
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i].Checked =
            ui_->FavUpdateList->topLevelItem(int(i))->checkState(fcFav) == Qt::Checked;
    return rows;
}

void TFavUpdateForm::FavUpdateDoneButtonClick() {
    ApplyFavoriteRows(Bank(), Rows(), Now());
    accept();
}

void TFavUpdateForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    CenterOverMain(this);
    ui_->FavUpdateList->setFocus();
}
