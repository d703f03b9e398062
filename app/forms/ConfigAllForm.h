// The configuration dialog: seven pages over every setting, filled from the settings in force
// and copied back by RunConfiguration once Save has checked the delays and passwords. Also the
// start-up picker (TSelectURLForm) and the small font-and-colour dialog the font buttons run.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ConfigTexts.h"
#include "Settings.h"

class QCheckBox;
class QComboBox;
class QFontComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class TEditTyped;
class TEntryListView;
namespace Ui {
class ConfigAllForm;
class SelectURLForm;
}  // namespace Ui

// Scalable families, a size, Bold, Italic and a colour.
class TFontColorDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFontColorDialog(QWidget* parent = nullptr);
    void SetFont(const TFontSetting& font);
    TFontSetting Font() const;

    QFontComboBox* Family() const { return family_; }
    QSpinBox* Size() const { return size_; }
    QCheckBox* Bold() const { return bold_; }
    QCheckBox* Italic() const { return italic_; }

private:
    void ShowColor();
    QFontComboBox* family_ = nullptr;
    QSpinBox* size_ = nullptr;
    QCheckBox* bold_ = nullptr;
    QCheckBox* italic_ = nullptr;
    QPushButton* colorButton_ = nullptr;
    QLabel* sample_ = nullptr;
    TColor color_ = 0;
    std::string name_;
    QString shownFamily_;
};

// The picker of start-up entries: the bank's entry list; Done returns the selected names in
// the order shown.
class TSelectURLForm : public QDialog {
    Q_OBJECT
public:
    explicit TSelectURLForm(QWidget* parent = nullptr);
    ~TSelectURLForm() override;
    Ui::SelectURLForm& Form() { return *ui_; }
    TEntryListView& List() const;
    std::vector<std::string> SelectedNames() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::SelectURLForm> ui_;
};

class TConfigAllForm : public QDialog {
    Q_OBJECT
public:
    // Filled from Settings(), showing `page`.
    explicit TConfigAllForm(int page, QWidget* parent = nullptr);
    ~TConfigAllForm() override;
    Ui::ConfigAllForm& Form() { return *ui_; }

    // The desktop's parts, replaceable (tests): the colour and font dialogs (true on OK with
    // the choice), the start-up picker (true on Done with the names in order) and the file
    // dialogs (empty when cancelled).
    std::function<bool(TColor& color)> AskColor;
    std::function<bool(int which, TFontSetting& font)> AskFont;
    std::function<bool(std::vector<std::string>& names)> PickStartupNames;
    std::function<std::string(int which)> AskFileName;  // 0 bank, 1..3 browsers, 4 user file

    // The radio groups by name: the index of the checked item (-1 none), and setting it.
    int RadioIndex(const char* group) const;
    void SetRadioIndex(const char* group, int index);
    std::vector<std::string> StartupNames() const;

    // The buttons.
    void SaveButtonClick();
    void ColorButtonClick(int which);
    void FontChangeButtonClick(int which);
    void AddButtonClick();
    void DeleteButtonClick();
    void ClearButtonClick();
    void BrowseClick(int which);

    // The controls as values, and showing values in them.
    TConfigFormTexts Texts() const;
    void SetTexts(const TConfigFormTexts& t);
    // Save's checks (CheckConfigFormTexts): shows the first fault on its page and returns false.
    bool Validate();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate(int page);
    void ShowColor(int which);
    void ShowFont(int which);
    void AddStartupItem(const std::string& name);

    std::unique_ptr<Ui::ConfigAllForm> ui_;
    std::array<TColor, 8> colors_{};
    std::array<TFontSetting, 2> fonts_{};
};
