// The bulk maintenance dialogs: category change and delete over the selected rows of the
// entry list, and the favourites update over a checkable list. Each acts on the entries its
// rows stand for (their indices), never on names.
#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "BulkMaintenance.h"
#include "SelectionCommands.h"

class TEntryListView;
namespace Ui {
class CatChgSelForm;
class DelSelForm;
class FavUpdateForm;
}  // namespace Ui

class TCatChgSelForm : public QDialog {
    Q_OBJECT
public:
    explicit TCatChgSelForm(QWidget* parent = nullptr);
    ~TCatChgSelForm() override;
    Ui::CatChgSelForm& Form() { return *ui_; }
    TEntryListView& List() const;

    // Leaving a combo box: the text trimmed, the next level's list refilled.
    void C1ComboExit();
    void C2ComboExit();
    // The error when nothing is selected; else the change, then OK.
    void ChangeButtonClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::CatChgSelForm> ui_;
};

class TDelSelForm : public QDialog {
    Q_OBJECT
public:
    explicit TDelSelForm(QWidget* parent = nullptr);
    ~TDelSelForm() override;
    Ui::DelSelForm& Form() { return *ui_; }
    TEntryListView& List() const;
    // The error when nothing is selected; the question when deletes are confirmed; the removal,
    // then OK.
    void DeleteButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::DelSelForm> ui_;
};

class TFavUpdateForm : public QDialog {
    Q_OBJECT
public:
    // The list's columns.
    enum : int { fcFav, fcCount, fcName, fcCategory1, fcCategory2, fcCategory3, fcIndex };
    explicit TFavUpdateForm(QWidget* parent = nullptr);
    ~TFavUpdateForm() override;
    Ui::FavUpdateForm& Form() { return *ui_; }
    // The rows with their ticks as shown.
    std::vector<TFavoriteRow> Rows() const;
    // Applies the ticks that differ from their entries, then OK.
    void FavUpdateDoneButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::FavUpdateForm> ui_;
    std::vector<TFavoriteRow> rows_;
};
