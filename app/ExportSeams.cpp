// The export and import seams and their headless defaults.
#include "ExportSeams.h"

#include "ProgramState.h"
#include "platform/Exceptions.h"

TExportSeams& ExportSeams() {
    return ProgramState().ExportSeams;
}

void ResetExportSeams() {
    ExportSeams() = TExportSeams();
}

bool ChooseSaveFileSeam(const TExportSeams& seams, const TFileRequest& request,
                        std::string& chosen) {
    auto& seam = seams.ChooseSaveFile;
    return seam && seam(request, chosen) && !chosen.empty();
}

bool ChooseSaveFileSeam(const TFileRequest& request, std::string& chosen) {
    return ChooseSaveFileSeam(ExportSeams(), request, chosen);
}

bool ChooseOpenFileSeam(const TFileRequest& request, std::string& chosen) {
    auto& seam = ExportSeams().ChooseOpenFile;
    return seam && seam(request, chosen) && !chosen.empty();
}

bool ChooseFolderSeam(const std::string& prompt, const std::string& start, std::string& chosen) {
    auto& seam = ExportSeams().ChooseFolder;
    return seam && seam(prompt, start, chosen) && !chosen.empty();
}

void SetClipboardTextSeam(const TExportSeams& seams, const std::string& text) {
    auto& seam = seams.SetClipboardText;
    if (!seam) throw Exception("No clipboard");
    seam(text);
}

void RepaintMainSeam(const TExportSeams& seams) {
    if (auto& seam = seams.RepaintMain) seam();
}

void RepaintMainSeam() {
    RepaintMainSeam(ExportSeams());
}
