// The points where export and import reach the windows: file dialogs, the folder picker,
// the clipboard and the main window's repaint. Empty seams give the headless behaviour.
#pragma once

#include <functional>
#include <string>

// What a file dialog is asked for. Filters use the "Caption (*.x)|*.x|All Files (*.*)|*.*"
// form; the dialog converts them for the platform.
struct TFileRequest {
    std::string InitialDir;  // empty: the dialog keeps the folder of its last use
    std::string FileName;
    std::string Filter;
    std::string DefaultExt;  // without its dot
};

struct TExportSeams {
    // The main window's one save dialog; true with the chosen path, false on Cancel.
    std::function<bool(const TFileRequest& request, std::string& chosen)> ChooseSaveFile;
    // An open dialog; true with the chosen path, false on Cancel.
    std::function<bool(const TFileRequest& request, std::string& chosen)> ChooseOpenFile;
    // The folder picker with its prompt, starting at `start`; false on Cancel.
    std::function<bool(const std::string& prompt, const std::string& start, std::string& chosen)>
        ChooseFolder;
    // Puts Windows-1252 text on the clipboard; raises when the clipboard refuses.
    std::function<void(const std::string& text)> SetClipboardText;
    // Redraws the main window before a long write or read.
    std::function<void()> RepaintMain;
};

// The program's seams, for the windows and the commands' entry points.
TExportSeams& ExportSeams();
// Empties every seam (tests).
void ResetExportSeams();

// Calls that tolerate an empty seam: the dialogs answer Cancel, the clipboard raises. Those
// without `seams` call the program's.
bool ChooseSaveFileSeam(const TExportSeams& seams, const TFileRequest& request,
                        std::string& chosen);
bool ChooseSaveFileSeam(const TFileRequest& request, std::string& chosen);
bool ChooseOpenFileSeam(const TFileRequest& request, std::string& chosen);
bool ChooseFolderSeam(const std::string& prompt, const std::string& start, std::string& chosen);
void SetClipboardTextSeam(const TExportSeams& seams, const std::string& text);
void RepaintMainSeam(const TExportSeams& seams);
void RepaintMainSeam();
