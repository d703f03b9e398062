// The find dialog: one page per kind of search, four month calendars for the dates.
#pragma once

#include <QDialog>
#include <array>
#include <memory>

#include "FindEngine.h"

namespace Ui {
class FindForm;
}
class QGroupBox;
class QLineEdit;
class QListWidget;
class TEsCalendar;

class TFindForm : public QDialog {
    Q_OBJECT
public:
    explicit TFindForm(QWidget* parent = nullptr);
    ~TFindForm() override;

    Ui::FindForm& Form() { return *ui_; }

    // Asked before the password and confidential-note searches.
    TFindPasswordCheck CheckPassword;

    // The search a page's controls describe now.
    TFindCriteria PageCriteria(TFindKind kind) const;
    // A page's Find button: its search from the first entry; the dialog closes unless the
    // password check refused.
    void FindButtonClick(TFindKind kind);
    // A calendar picked a date: A or B of both date pages.
    void CalendarChange(bool dateB, TDateTime date);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Empties the boxes, fills the pick lists, resets the groups and shows the Name page.
    void ResetForShowing();
    // A text page's search box and its letter-case group (the URL page has none); nulls on the
    // other pages.
    struct TTextPage {
        QLineEdit* Box = nullptr;
        QGroupBox* CaseGroup = nullptr;
    };
    TTextPage TextPage(TFindKind kind) const;

    std::unique_ptr<Ui::FindForm> ui_;
    // ChgDateACal, ChgDateBCal, LastAccDateACal, LastAccDateBCal (their hosts' object names).
    std::array<std::unique_ptr<TEsCalendar>, 4> calendars_;
};

// The index of the checked radio button of a group (0 when none is checked).
int CheckedItem(const QGroupBox* group);
// Checks a group's first radio button.
void CheckFirstItem(QGroupBox* group);
