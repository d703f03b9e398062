// The entry editor: four pages over EditEntry, with limits that restrict typing only.
#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "EntryCommands.h"

namespace Ui {
class EntryForm;
}
class QWidget;

class TEntryForm : public QDialog {
    Q_OBJECT
public:
    // Mode 0 puts the focus into the URL, 1 into the name.
    TEntryForm(QWidget* parent, int mode);
    ~TEntryForm() override;

    Ui::EntryForm& Form() { return *ui_; }
    int Mode() const { return mode_; }

    // The controls as texts (CR LF line breaks) and back.
    TEntryFormTexts Texts() const;
    void SetTexts(const TEntryFormTexts& texts);
    // The typing limit of a control; 0 when it has none.
    int Limit(const QWidget* control) const;

    void SaveButtonClick();
    void CancelButtonClick() { reject(); }

    // The length warning (tests count it).
    static std::function<void()>& Beep();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormActivate();
    void NameEditChange();
    void C2ComboEnter();
    void C3ComboEnter();
    void PWEdit2Exit();
    bool LimitKey(QWidget* control, class QKeyEvent* event);

    std::unique_ptr<Ui::EntryForm> ui_;
    int mode_ = 0;
    bool filled_ = false;
    std::string originalName_;
    std::map<const QWidget*, int> limits_;
};

// Runs the editor over EditEntry modally; mrOk when saved, mrCancel otherwise.
int RunEntryForm(int Mode);
