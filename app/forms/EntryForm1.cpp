// The entry editor.
#include "EntryForm1.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "BankModel.h"
#include "EditType.h"
#include "ElastFrmQt.h"
#include "FormUtils.h"
#include "QCombo.h"
#include "platform/Codec.h"
#include "platform/Messages.h"
#include "platform/SysUtils.h"
#include "platform/qt/Application.h"
#include "ui_EntryForm1.h"

namespace {

// Multi-line editors hold LF; the bank holds CR LF.
QString ToEditorText(const std::string& text) {
    std::string lf;
    lf.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            lf += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            lf += text[i];
        }
    }
    return ToQString(lf);
}

std::string FromEditorText(const std::string& lf) {
    std::string out;
    out.reserve(lf.size() + lf.size() / 16);
    for (char c : lf) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string FromEditor(const QPlainTextEdit* edit) {
    return FromEditorText(FromQString(edit->toPlainText()));
}

// The length a text has in the bank (a line break counts two).
int StoredLength(const QString& text) {
    return int(text.size() + text.count(QChar('\n')));
}

// The one-line editor of a field: the field itself, or a combo's editor; null for the others.
QLineEdit* FieldLine(QWidget* control) {
    auto* combo = qobject_cast<QComboBox*>(control);
    return combo ? combo->lineEdit() : qobject_cast<QLineEdit*>(control);
}

void SetFieldReadOnly(QWidget* control, bool readOnly) {
    if (auto* plain = qobject_cast<QPlainTextEdit*>(control))
        plain->setReadOnly(readOnly);
    else if (QLineEdit* line = FieldLine(control))
        line->setReadOnly(readOnly);
}

void SetItems(TQuickComboBox* combo, const std::vector<std::string>& items) {
    for (const std::string& item : items) combo->addItem(ToQString(item));
}

}  // namespace

std::function<void()>& TEntryForm::Beep() {
    static std::function<void()> beep = [] { QApplication::beep(); };
    return beep;
}

TEntryForm::TEntryForm(QWidget* parent, int mode)
    : QDialog(parent), ui_(new Ui::EntryForm), mode_(mode) {
    ui_->setupUi(this);
    Ui::EntryForm& f = *ui_;
    // FormCreate: the limits, for typing only.
    limits_ = {
        {f.URLEdit, EntryLimits::URL},       {f.NameEdit, EntryLimits::Name},
        {f.C1Combo, EntryLimits::Category},  {f.C2Combo, EntryLimits::Category},
        {f.C3Combo, EntryLimits::Category},  {f.EMailEdit, EntryLimits::EMail},
        {f.RatingEdit, EntryLimits::Rating}, {f.DescriptionEdit, EntryLimits::Description},
        {f.UserIDEdit, EntryLimits::UserID}, {f.PWEdit, EntryLimits::Password},
        {f.PWEdit2, EntryLimits::Password},  {f.NotesEdit, EntryLimits::Notes},
        {f.CNotesEdit, EntryLimits::Notes},
    };
    for (const auto& [control, limit] : limits_) {
        const_cast<QWidget*>(control)->installEventFilter(this);
        WatchLimit(const_cast<QWidget*>(control));
    }
    f.NameEdit->SetTypeValue(TTypeForEdit::teString);
    f.URLEdit->setTabChangesFocus(true);
    // The combos start empty; Category 1 offers the bank's first-level categories.
    for (TQuickComboBox* combo : {f.C1Combo, f.C2Combo, f.C3Combo}) {
        combo->clear();
        combo->setInsertPolicy(QComboBox::NoInsert);
    }
    SetItems(f.C1Combo, FillCategory1Choices(Bank()));
    f.C1Combo->setEditText(QString());

    connect(f.SaveButton, &QPushButton::clicked, this,
            [this] { CallGuarded([this] { SaveButtonClick(); }); });
    connect(f.CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
    connect(f.NameEdit, &QLineEdit::textChanged, this, [this] { NameEditChange(); });
    new TElasticFormQt(this);
}

TEntryForm::~TEntryForm() = default;

int TEntryForm::Limit(const QWidget* control) const {
    const auto it = limits_.find(control);
    return it == limits_.end() ? 0 : it->second;
}

QWidget* TEntryForm::FieldControl(std::string TEntryFormTexts::*field) const {
    using T = TEntryFormTexts;
    const Ui::EntryForm& f = *ui_;
    const std::pair<std::string T::*, QWidget*> controls[] = {
        {&T::URL, f.URLEdit},
        {&T::Name, f.NameEdit},
        {&T::Category1, f.C1Combo},
        {&T::Category2, f.C2Combo},
        {&T::Category3, f.C3Combo},
        {&T::EMail, f.EMailEdit},
        {&T::Rating, f.RatingEdit},
        {&T::Description, f.DescriptionEdit},
        {&T::UserID, f.UserIDEdit},
        {&T::Password, f.PWEdit},
        {&T::Password2, f.PWEdit2},
        {&T::Notes, f.NotesEdit},
        {&T::ConfNotes, f.CNotesEdit},
        {&T::ChangeDate, f.DateEdit},
        {&T::LastAccess, f.LastAccessEdit},
        {&T::AccessCount, f.AccessCntEdit},
    };
    for (const auto& [text, control] : controls)
        if (text == field) return control;
    return nullptr;
}

TEntryFormTexts TEntryForm::Texts() const {
    TEntryFormTexts t = ControlTexts();
    KeepHugeValues(t, shown_, stored_);
    return t;
}

TEntryFormTexts TEntryForm::ControlTexts() const {
    const Ui::EntryForm& f = *ui_;
    TEntryFormTexts t;
    // A URL pasted with characters the code page lacks keeps them as escapes.
    t.URL = FromEditorText(Utf8UrlToAnsi(f.URLEdit->toPlainText().toUtf8().toStdString()));
    t.Name = f.NameEdit->Text();
    t.Category1 = f.C1Combo->Text();
    t.Category2 = f.C2Combo->Text();
    t.Category3 = f.C3Combo->Text();
    t.Favorite = f.FavoriteYes->isChecked();
    t.EMail = FromQString(f.EMailEdit->text());
    t.Rating = FromQString(f.RatingEdit->text());
    t.Description = FromQString(f.DescriptionEdit->text());
    t.ChangeDate = FromQString(f.DateEdit->text());
    t.LastAccess = FromQString(f.LastAccessEdit->text());
    t.AccessCount = FromQString(f.AccessCntEdit->text());
    t.UserID = FromQString(f.UserIDEdit->text());
    t.Password = FromQString(f.PWEdit->text());
    t.Password2 = FromQString(f.PWEdit2->text());
    t.Notes = FromEditor(f.NotesEdit);
    t.ConfNotes = FromEditor(f.CNotesEdit);
    return t;
}

void TEntryForm::SetTexts(const TEntryFormTexts& stored) {
    Ui::EntryForm& f = *ui_;
    for (QWidget* control : hugeFields_) SetFieldReadOnly(control, false);
    hugeFields_.clear();
    stored_ = stored;
    const TEntryFormTexts t = ShownEntryFormTexts(stored);
    // Values the program sets are never cut.
    const bool wasSetting = settingTexts_;
    settingTexts_ = true;
    f.URLEdit->setPlainText(ToEditorText(t.URL));
    f.NameEdit->SetText(t.Name);
    f.C1Combo->SetText(t.Category1);
    f.C2Combo->SetText(t.Category2);
    f.C3Combo->SetText(t.Category3);
    (t.Favorite ? f.FavoriteYes : f.FavoriteNo)->setChecked(true);
    f.EMailEdit->setText(ToQString(t.EMail));
    f.RatingEdit->setText(ToQString(t.Rating));
    f.DescriptionEdit->setText(ToQString(t.Description));
    f.DateEdit->setText(ToQString(t.ChangeDate));
    f.LastAccessEdit->setText(ToQString(t.LastAccess));
    f.AccessCntEdit->setText(ToQString(t.AccessCount));
    f.UserIDEdit->setText(ToQString(t.UserID));
    f.PWEdit->setText(ToQString(t.Password));
    f.PWEdit2->setText(ToQString(t.Password2));
    f.NotesEdit->setPlainText(ToEditorText(t.Notes));
    f.CNotesEdit->setPlainText(ToEditorText(t.ConfNotes));
    settingTexts_ = wasSetting;
    for (const TEntryFormField& field : EntryFormFields()) {
        const std::string& value = stored.*field.Text;
        if (!IsHugeFieldValue(value, field.MultiLine)) continue;
        QWidget* control = FieldControl(field.Text);
        hugeFields_.push_back(control);
        SetFieldReadOnly(control, true);
        control->setToolTip(ToQString(
            "Only the start of this value is shown: it is " + IntToStr(int64_t(value.size())) +
            " characters long. Saving keeps it; Delete empties the field."));
    }
    // What the controls hold now, to tell later whether a huge value's start was replaced.
    shown_ = hugeFields_.empty() ? TEntryFormTexts() : ControlTexts();
}

void TEntryForm::ReplaceHugeValue(QWidget* control) {
    hugeFields_.erase(std::find(hugeFields_.begin(), hugeFields_.end(), control));
    SetFieldReadOnly(control, false);
    control->setToolTip(QString());
    if (auto* plain = qobject_cast<QPlainTextEdit*>(control))
        plain->clear();
    else if (QLineEdit* line = FieldLine(control))
        line->clear();
}

void TEntryForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Filled once: a message box of the editor must not undo what was typed.
    if (!filled_) {
        filled_ = true;
        FormActivate();
    }
}

void TEntryForm::FormActivate() {
    CenterOverForm(this, parentWidget() ? parentWidget()->window() : MainWindowWidget());
    ui_->PageControl1->setCurrentIndex(0);
    SetTexts(EntryFormTexts(Bank()));
    if (mode_ == 1)
        ui_->NameEdit->setFocus();
    else
        ui_->URLEdit->setFocus();
}

void TEntryForm::SaveButtonClick() {
    // Before the first showing the editor holds nothing to save.
    if (!filled_) {
        filled_ = true;
        SetTexts(EntryFormTexts(Bank()));
    }
    TEntryFormTexts texts = Texts();
    const bool saved = SaveEntryFormTexts(Bank(), texts);
    // The marker given to the categories shows whatever the outcome; a huge category keeps
    // showing its start and is kept with the marker.
    using T = TEntryFormTexts;
    for (std::string T::*category : {&T::Category1, &T::Category2, &T::Category3}) {
        auto* combo = static_cast<TQuickComboBox*>(FieldControl(category));
        if (IsHugeFieldValue(stored_.*category, false) && combo->Text() == shown_.*category)
            stored_.*category = texts.*category;
        else
            combo->SetText(texts.*category);
    }
    if (saved) accept();
}

void TEntryForm::NameEditChange() {
    const std::string text = ui_->NameEdit->Text();
    const std::string clean = WithoutLineBreaks(text);
    if (clean != text) ui_->NameEdit->SetText(clean);
}

bool TEntryForm::ShowsHugeValue(const QWidget* control) const {
    return std::find(hugeFields_.begin(), hugeFields_.end(), control) != hugeFields_.end();
}

void TEntryForm::TrimCategory(TQuickComboBox* combo) {
    // The start of a huge value stays as shown, so that the value is kept.
    if (!ShowsHugeValue(combo)) combo->SetText(Trim(combo->Text()));
}

void TEntryForm::C2ComboEnter() {
    Ui::EntryForm& f = *ui_;
    const std::string kept = f.C2Combo->Text();
    f.C2Combo->clear();
    TrimCategory(f.C1Combo);
    SetItems(f.C2Combo, FillCategory2Choices(Bank(), f.C1Combo->Text()));
    f.C2Combo->SetText(kept);
}

void TEntryForm::C3ComboEnter() {
    Ui::EntryForm& f = *ui_;
    const std::string kept = f.C3Combo->Text();
    f.C3Combo->clear();
    TrimCategory(f.C2Combo);
    TrimCategory(f.C1Combo);
    SetItems(f.C3Combo, FillCategory3Choices(Bank(), f.C1Combo->Text(), f.C2Combo->Text()));
    f.C3Combo->SetText(kept);
}

void TEntryForm::PWEdit2Exit() {
    if (ui_->PWEdit->text() != ui_->PWEdit2->text())
        MessageDlg("The PassWord entries are not the same.\rPlease try again.",
                   TMsgDlgType::mtError, mbOK);
}

bool TEntryForm::WithinLimit(QWidget* control, const QString& text) {
    if (FieldEditAllowed(size_t(StoredLength(accepted_[control])), size_t(StoredLength(text)),
                         Limit(control)))
        return true;
    if (Beep()) Beep()();
    return false;
}

void TEntryForm::WatchLimit(QWidget* control) {
    if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        connect(plain->document(), &QTextDocument::contentsChange, this,
                [this](int position, int, int) { changedAt_ = position; });
        connect(plain, &QPlainTextEdit::textChanged, this, [this, plain] {
            if (restoring_) return;
            const QString text = plain->toPlainText();
            if (settingTexts_ || WithinLimit(plain, text)) {
                accepted_[plain] = text;
                return;
            }
            // Taken back whole; the caret goes back to where the text came in.
            const QString& before = accepted_[plain];
            restoring_ = true;
            plain->setPlainText(before);
            restoring_ = false;
            QTextCursor cursor = plain->textCursor();
            cursor.setPosition(std::clamp(changedAt_, 0, int(before.size())));
            plain->setTextCursor(cursor);
        });
        return;
    }
    QLineEdit* line = FieldLine(control);
    if (!line) return;
    // textChanged follows every change, the program's too; textEdited only the user's, before
    // textChanged, so the text accepted last is still the one before the edit.
    connect(line, &QLineEdit::textChanged, this,
            [this, control, line] { accepted_[control] = line->text(); });
    connect(line, &QLineEdit::textEdited, this, [this, control, line](const QString& text) {
        if (WithinLimit(control, text)) return;
        const QString before = accepted_[control];
        const int cursor = line->cursorPosition() - int(text.size() - before.size());
        line->setText(before);
        line->setCursorPosition(std::clamp(cursor, 0, int(before.size())));
    });
    accepted_[control] = line->text();
}

bool TEntryForm::eventFilter(QObject* watched, QEvent* event) {
    Ui::EntryForm& f = *ui_;
    auto* control = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::KeyPress && control) {
        auto* key = static_cast<QKeyEvent*>(event);
        // A huge value shown shortened is replaced whole: Delete or Backspace empties the
        // field, a typed character goes into the emptied field.
        if (ShowsHugeValue(control)) {
            const bool erase = key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace;
            const bool typed = !key->text().isEmpty() && key->text()[0].isPrint() &&
                               !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
            if (erase || typed) ReplaceHugeValue(control);
            if (erase) return true;
        }
        // Alt+Right: an administrator makes the name a workgroup name.
        if (control == f.NameEdit && key->key() == Qt::Key_Right &&
            (key->modifiers() & Qt::AltModifier)) {
            if (Bank().IsAdministrator) {
                const std::string name = f.NameEdit->Text();
                if (!HasWorkgroupMarker(name)) f.NameEdit->SetText(WorkgroupMarker + name);
            }
            return true;
        }
    } else if (event->type() == QEvent::FocusIn) {
        if (watched == f.C2Combo) CallGuarded([this] { C2ComboEnter(); });
        if (watched == f.C3Combo) CallGuarded([this] { C3ComboEnter(); });
    } else if (event->type() == QEvent::FocusOut && watched == f.PWEdit2) {
        // Leaving for another control of the editor, not for a message box or a menu.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
            reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason)
            CallGuarded([this] { PWEdit2Exit(); });
    }
    return QDialog::eventFilter(watched, event);
}

int RunEntryForm(int Mode) {
    TEntryForm form(MainWindowWidget(), Mode);
    return form.exec() == QDialog::Accepted ? int(mrOk) : int(mrCancel);
}
