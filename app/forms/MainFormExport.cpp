// The main window's Export and Import commands and the seams they reach the desktop through:
// the file dialog (keeping its last folder between uses), the folder picker and the clipboard.
#include <QFileDialog>
#include <memory>

#include "BankModel.h"
#include "ExportCommands.h"
#include "ExportForms.h"
#include "ExportSeams.h"
#include "ImportReaders.h"
#include "MainForm.h"
#include "platform/Clipboard.h"
#include "platform/FolderPicker.h"
#include "platform/qt/Application.h"

namespace {

// "Caption (*.x)|*.x|All Files (*.*)|*.*" as name filters that match both letter cases:
// "Caption (*.x *.X)", "All Files (*)"; "*.htm" also takes "*.html".
QStringList BothCaseFilters(const std::string& filter) {
    const QStringList parts = ToQString(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString caption = parts[i];
        if (int open = caption.indexOf('('); open > 0) caption = caption.left(open).trimmed();
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
            if (pattern == "*.*" || pattern == "*") {
                patterns.clear();
                patterns << "*";
                break;
            }
            QStringList exts{pattern.toLower()};
            if (pattern.toLower() == "*.htm") exts << "*.html";
            for (const QString& ext : QStringList(exts)) exts << ext.toUpper();
            for (const QString& ext : exts)
                if (!patterns.contains(ext)) patterns << ext;
        }
        if (patterns == QStringList{"*"}) caption = "All Files";
        out << caption + " (" + patterns.join(' ') + ")";
    }
    return out;
}

// The main window's file dialog. Each use has a dialog of its own, destroyed when it closes
// together with its name completer's popup (a popup left open would swallow the next click);
// the window keeps the folder it was last used in for requests that name none.
bool AskKeptFileDialog(QWidget* owner, bool save, const TFileRequest& request,
                       std::string& chosen) {
    static constexpr const char* LastFolder = "FileDialogFolder";
    const auto dialog = std::make_unique<QFileDialog>(owner);
    dialog->setObjectName("SaveDialog1");
    const QString last = owner->property(LastFolder).toString();
    if (!last.isEmpty()) dialog->setDirectory(last);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Replacing a file is confirmed by the dialog's own question.
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog->setNameFilters(BothCaseFilters(request.Filter));
    if (!request.InitialDir.empty()) dialog->setDirectory(ToQString(request.InitialDir));
    dialog->setDefaultSuffix(ToQString(request.DefaultExt));
    // A pattern is no name to propose.
    dialog->selectFile(request.FileName.find('*') == std::string::npos ? ToQString(request.FileName)
                                                                       : QString());
    const bool accepted = dialog->exec() == QDialog::Accepted;
    owner->setProperty(LastFolder, dialog->directory().absolutePath());
    if (!accepted || dialog->selectedFiles().isEmpty()) return false;
    chosen = FromQString(dialog->selectedFiles().first());
    return true;
}

// A by-category dialog between the category keys' building and their release.
template <class Form>
void RunCategoryExport(QWidget* owner) {
    if (!PrepareExport(Bank(), OperationPasswordCheck(), true)) return;
    struct TKeysRelease {
        ~TKeysRelease() { EndCategoryExport(Bank()); }
    } release;
    Form form(owner);
    form.exec();
}

}  // namespace

void TMainForm::FillExportSeams() {
    TExportSeams& e = ExportSeams();
    e.ChooseSaveFile = [this](const TFileRequest& r, std::string& chosen) {
        return AskKeptFileDialog(this, true, r, chosen);
    };
    e.ChooseOpenFile = [this](const TFileRequest& r, std::string& chosen) {
        return AskKeptFileDialog(this, false, r, chosen);
    };
    e.ChooseFolder = [](const std::string& prompt, const std::string& start, std::string& chosen) {
        TFolderPickRequest request;
        request.Title = prompt;
        request.StartFolder = start;
        return PickFolder(request, chosen);
    };
    e.SetClipboardText = [](const std::string& text) { ::SetClipboardText(text); };
}

// ---- Export ----

void TMainForm::BySelection1Click() {
    if (!PrepareExport(Bank(), OperationPasswordCheck(), false)) return;
    TExpSelForm form(this);
    form.exec();
}

void TMainForm::ByC1Click() {
    RunCategoryExport<TExpC1Form>(this);
}

void TMainForm::ByC1andC2Click() {
    RunCategoryExport<TExpC12Form>(this);
}

void TMainForm::ByC1C2C3Click() {
    RunCategoryExport<TExpC123Form>(this);
}

// ---- Import ----

void TMainForm::LorvaneBankImportClick() {
    ImportLorvaneBank();
}

void TMainForm::LorvaneExportImportClick() {
    ImportLorvaneExportFile();
}

void TMainForm::InternetExplorerFavorites1Click() {
    ImportInternetExplorerFavorites();
}

void TMainForm::NetscapeFavorites1Click() {
    ImportNetscapeBookmarks();
}
