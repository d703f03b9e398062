// What the export and import tests share: a fresh bank, scripted dialogs and a temporary folder.
#pragma once

#include <string>
#include <vector>

#include "BankFixture.h"
#include "ExportSeams.h"
#include "ExportWriters.h"
#include "TempDir.h"

class ExportFixture : public BankFixture {
protected:
    ExportFixture() {
        ExportSeams().ChooseSaveFile = [this](const TFileRequest& r, std::string& chosen) {
            requests.push_back(r);
            chosen = saveAs;
            return !saveAs.empty();
        };
        ExportSeams().ChooseOpenFile = ExportSeams().ChooseSaveFile;
        ExportSeams().SetClipboardText = [this](const std::string& text) { clipboard = text; };
        Bank().ProgramFolder = dir.File("");
    }
    // The example entry of the format tests.
    static TEntry Example() {
        TEntry e;
        e.Name = "Ex";
        e.URL = "http://a.b/";
        e.Favorite = "\xBB";
        e.Notes = "a\r\nb";
        e.Category1 = "Work";
        e.Description = "D";
        e.Rating = "5";
        e.UserID = "me";
        e.Password = "abc";
        e.EMail = "e@x";
        e.ConfNotes = "line1\r\nline2";
        e.ChangeDate = 37000.5;
        e.LastAccess = 36526.0;
        e.AccessCount = 3;
        return e;
    }

    static std::string Blanks(size_t n) { return std::string(n, ' '); }

    TempDir dir;
    std::string saveAs;  // the dialogs' answer; empty cancels
    std::vector<TFileRequest> requests;
    std::string clipboard;
    // The export's own state; the steps run on it, the program's bank and the seams above.
    TExportState exporter;
    const TExportRun run{Bank(), exporter, ExportSeams()};
};

// The export steps on a bank of the test's own.
class OwnBankExportFixture : public ExportFixture {
protected:
    void Add(const TEntry& e) { bank.AppendEntry(e); }
    Strings Names() const { return BankFixture::Names(bank); }
    TBankState bank;
    const TExportRun run{bank, exporter, ExportSeams()};
};
