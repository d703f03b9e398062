// The find dialog: created once, reset at every showing, each page running its search.
#include "FindForm.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>

#include "AppSeams.h"
#include "ElastFrmQt.h"
#include "EsCal.h"
#include "FormUtils.h"
#include "platform/qt/Application.h"
#include "platform/qt/ControlHost.h"
#include "ui_FindForm.h"

namespace {

std::string ShortDate(TDateTime date) {
    return date == 0 ? "" : FormatDateTime("mmm dd, yy", date);
}

void FillPickList(QListWidget* list, const std::vector<std::string>& items) {
    list->clear();
    for (const std::string& item : items) list->addItem(ToQString(item));
}

std::string PickedItem(const QListWidget* list) {
    const QListWidgetItem* item = list->currentItem();
    return item && item->isSelected() ? FromQString(item->text()) : std::string();
}

// A calendar's font grows and shrinks with its place's font (when the dialog's fonts are
// scaled), keeping the proportion it had at first.
class TCalendarFontFollower : public QObject {
public:
    TCalendarFontFollower(QWidget* place, TEsCalendar& calendar)
        : QObject(place),
          place_(place),
          calendar_(calendar),
          placeHeight_(WidgetFontHeight(place)),
          calendarHeight_(calendar.Font().Height()) {
        place->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == place_ && event->type() == QEvent::FontChange && placeHeight_ != 0)
            calendar_.Font().SetHeight(int(
                std::lround(double(calendarHeight_) * WidgetFontHeight(place_) / placeHeight_)));
        return false;
    }

private:
    QWidget* place_;
    TEsCalendar& calendar_;
    const int placeHeight_, calendarHeight_;
};

}  // namespace

int CheckedItem(const QGroupBox* group) {
    const auto buttons = group->findChildren<QRadioButton*>();
    for (int k = 0; k < buttons.size(); ++k)
        if (buttons[k]->isChecked()) return k;
    return 0;
}

void CheckFirstItem(QGroupBox* group) {
    const auto buttons = group->findChildren<QRadioButton*>();
    if (!buttons.isEmpty()) buttons.front()->setChecked(true);
}

TFindForm::TFindForm(QWidget* parent) : QDialog(parent), ui_(new Ui::FindForm) {
    ui_->setupUi(this);
    Ui::FindForm& f = *ui_;
    // The calendars, in the places the pages keep for them, with the dialog's colours.
    QWidget* places[4] = {f.ChgDateACalPlace, f.ChgDateBCalPlace, f.LastAccDateACalPlace,
                          f.LastAccDateBCalPlace};
    const char* names[4] = {"ChgDateACal", "ChgDateBCal", "LastAccDateACal", "LastAccDateBCal"};
    for (int k = 0; k < 4; ++k) {
        auto calendar = std::make_unique<TEsCalendar>();
        calendar->Name = names[k];
        calendar->Colors().SetColor(cciActiveDay, calendar->Colors().ActiveDay());
        QWidget* host = HostWidget(*calendar);
        host->setObjectName(names[k]);
        auto* layout = new QVBoxLayout(places[k]);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(host);
        const bool dateB = k % 2 == 1;
        calendar->OnChange = [this, dateB](TObject*, TDateTime date) {
            CalendarChange(dateB, date);
        };
        new TCalendarFontFollower(places[k], *calendar);
        calendars_[size_t(k)] = std::move(calendar);
    }
    struct Page {
        QPushButton* find;
        QPushButton* cancel;
        TFindKind kind;
    } pages[] = {
        {f.NameFindButton, f.NameCancelButton, fkName},
        {f.DescFindButton, f.DescCancelButton, fkDescription},
        {f.RatingFindButton, f.RatingCancelButton, fkRating},
        {f.UserIDFindButton, f.UserIDCancelButton, fkUserID},
        {f.PasswdFindButton, f.PasswdCancelButton, fkPassword},
        {f.EMailFindButton, f.EMailCancelButton, fkEMail},
        {f.CNoteFindButton, f.CNoteCancelButton, fkConfNotes},
        {f.ChgDateFindButton, f.ChgDateCancelButton, fkChangeDate},
        {f.URLFindButton, f.URLCancelButton, fkURL},
        {f.NotesFindButton, f.NotesCancelButton, fkNotes},
        {f.CatFindButton, f.CatCancelButton, fkCategory},
        {f.AccCntFindButton, f.AccCntCancelButton, fkAccessCount},
        {f.LastAccFindButton, f.LastAccCancelButton, fkLastAccess},
    };
    for (const Page& page : pages) {
        const TFindKind kind = page.kind;
        connect(page.find, &QPushButton::clicked, this,
                [this, kind] { CallGuarded([&] { FindButtonClick(kind); }); });
        connect(page.cancel, &QPushButton::clicked, this, &QDialog::reject);
    }
    // Enter in a search box runs its page's Find button; Alt+Right marks a workgroup name.
    for (int kind = fkName; kind <= fkLastAccess; ++kind)
        if (QLineEdit* box = TextPage(TFindKind(kind)).Box) box->installEventFilter(this);
    f.AccCntBoxA->installEventFilter(this);
    f.AccCntBoxB->installEventFilter(this);
    new TElasticFormQt(this);
}

TFindForm::~TFindForm() = default;

TFindForm::TTextPage TFindForm::TextPage(TFindKind kind) const {
    Ui::FindForm& f = *ui_;
    switch (kind) {
        case fkName:
            return {f.NameBox, f.NameCaseSensitive};
        case fkDescription:
            return {f.DescBox, f.DescCaseSensitive};
        case fkRating:
            return {f.RatingBox, f.ratingCaseSensitive};
        case fkUserID:
            return {f.UserIDBox, f.UserIDCaseSensitive};
        case fkPassword:
            return {f.PasswdBox, f.PasswdCaseSensitive};
        case fkEMail:
            return {f.EmailBox, f.EMailCaseSensitive};
        case fkConfNotes:
            return {f.CNoteBox, f.CNoteCaseSensitive};
        case fkURL:
            return {f.URLBox, nullptr};
        case fkNotes:
            return {f.NotesBox, f.NotesCaseSensitive};
        default:
            return {};
    }
}

TFindCriteria TFindForm::PageCriteria(TFindKind kind) const {
    Ui::FindForm& f = *ui_;
    TFindCriteria c;
    c.Kind = kind;
    const TTextPage page = TextPage(kind);
    if (page.Box) c.Text = FromQString(page.Box->text());
    if (page.CaseGroup) c.CaseSensitive = CheckedItem(page.CaseGroup) == 1;
    switch (kind) {
        case fkChangeDate:
            c.Compare = TFindCompare(CheckedItem(f.rgChgDateSearchType));
            break;
        case fkLastAccess:
            c.Compare = TFindCompare(CheckedItem(f.rgLastAccSearchType));
            break;
        case fkAccessCount:
            c.Compare = TFindCompare(CheckedItem(f.rgAccCntSrchType));
            c.CountA = FromQString(f.AccCntBoxA->text());
            c.CountB = FromQString(f.AccCntBoxB->text());
            break;
        case fkCategory:
            c.C1 = PickedItem(f.C1PickList);
            c.C2 = PickedItem(f.C2PickList);
            c.C3 = PickedItem(f.C3PickList);
            break;
        default:
            break;
    }
    c.DateA = FindState().FindDateA;
    c.DateB = FindState().FindDateB;
    return c;
}

void TFindForm::FindButtonClick(TFindKind kind) {
    if (RunFind(Bank(), FindState(), PageCriteria(kind), -1, CheckPassword) !=
        TFindOutcome::Refused)
        accept();
}

void TFindForm::CalendarChange(bool dateB, TDateTime date) {
    Ui::FindForm& f = *ui_;
    (dateB ? FindState().FindDateB : FindState().FindDateA) = date;
    const QString text = ToQString(ShortDate(date));
    (dateB ? f.ChgDateBBox : f.ChgDateABox)->setText(text);
    (dateB ? f.LastAccDateBBox : f.LastAccDateABox)->setText(text);
    // Both pages show the same A and B.
    for (int k = dateB ? 1 : 0; k < 4; k += 2) calendars_[size_t(k)]->SetDate(date);
}

void TFindForm::ResetForShowing() {
    Ui::FindForm& f = *ui_;
    for (QLineEdit* box : findChildren<QLineEdit*>()) box->clear();
    const TFindPickLists lists = BuildFindPickLists(Bank().CategoryPaths);
    FillPickList(f.C1PickList, lists.C1);
    FillPickList(f.C2PickList, lists.C2);
    FillPickList(f.C3PickList, lists.C3);
    for (QGroupBox* group : findChildren<QGroupBox*>()) CheckFirstItem(group);
    // The dates picked before stay chosen.
    const TFindState& state = FindState();
    for (int k = 0; k < 4; ++k) {
        const TDateTime date = k % 2 ? state.FindDateB : state.FindDateA;
        if (date != 0) calendars_[size_t(k)]->SetDate(date);
    }
    f.ChgDateABox->setText(ToQString(ShortDate(state.FindDateA)));
    f.LastAccDateABox->setText(ToQString(ShortDate(state.FindDateA)));
    f.ChgDateBBox->setText(ToQString(ShortDate(state.FindDateB)));
    f.LastAccDateBBox->setText(ToQString(ShortDate(state.FindDateB)));
    f.FindPage->setCurrentWidget(f.NamePage);
    f.NameBox->setFocus();
}

void TFindForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    CallGuarded([&] { ResetForShowing(); });
    CenterOverForm(this, parentWidget() ? parentWidget()->window() : MainWindowWidget());
}

bool TFindForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    Ui::FindForm& f = *ui_;
    if (watched == f.NameBox && key->key() == Qt::Key_Right &&
        (key->modifiers() & Qt::AltModifier)) {
        const std::string name = FromQString(f.NameBox->text());
        if (!HasWorkgroupMarker(name)) f.NameBox->setText(ToQString(WorkgroupMarker + name));
        return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        TFindKind kind = fkNone;
        for (int k = fkName; k <= fkLastAccess; ++k)
            if (TextPage(TFindKind(k)).Box == watched) kind = TFindKind(k);
        if (watched == f.AccCntBoxA || watched == f.AccCntBoxB) kind = fkAccessCount;
        if (kind != fkNone) {
            CallGuarded([&] { FindButtonClick(kind); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
