// The entry editor: four pages over EditEntry, with limits that restrict typing only.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "EntryCommands.h"

namespace Ui {
class EntryForm;
}
class QWidget;
class TQuickComboBox;

class TEntryForm : public QDialog {
    Q_OBJECT
public:
    // Mode 0 puts the focus into the URL, 1 into the name.
    TEntryForm(QWidget* parent, int mode);
    ~TEntryForm() override;

    Ui::EntryForm& Form() { return *ui_; }
    int Mode() const { return mode_; }

    // The controls as texts (CR LF line breaks) and back. A huge value (IsHugeFieldValue) is
    // shown shortened and read-only, and comes back whole until the user replaces it: Delete
    // or Backspace empties the field, a typed character starts it anew.
    TEntryFormTexts Texts() const;
    void SetTexts(const TEntryFormTexts& texts);
    // The control of an editor field.
    QWidget* FieldControl(std::string TEntryFormTexts::*field) const;
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
    // The limits: every change of a limited field is checked, and one that makes it too long
    // is taken back with a beep (FieldEditAllowed).
    void WatchLimit(QWidget* control);
    bool WithinLimit(QWidget* control, const QString& text);
    // What the controls hold, without taking huge values back.
    TEntryFormTexts ControlTexts() const;
    bool ShowsHugeValue(const QWidget* control) const;
    void TrimCategory(TQuickComboBox* combo);
    // Makes a field that shows the start of a huge value an ordinary, empty one.
    void ReplaceHugeValue(QWidget* control);

    std::unique_ptr<Ui::EntryForm> ui_;
    int mode_ = 0;
    bool filled_ = false;
    std::map<const QWidget*, int> limits_;
    std::map<const QWidget*, QString> accepted_;  // each limited field's last allowed text
    bool settingTexts_ = false;                   // SetTexts runs: the program's values
    bool restoring_ = false;                      // a refused change is being taken back
    int changedAt_ = 0;                           // where a multi-line field changed last
    TEntryFormTexts stored_;                      // the values SetTexts was given
    TEntryFormTexts shown_;                       // the controls' texts right after SetTexts
    std::vector<QWidget*> hugeFields_;            // controls showing the start of a huge value
};

// Runs the editor over EditEntry modally; mrOk when saved, mrCancel otherwise.
int RunEntryForm(int Mode);
