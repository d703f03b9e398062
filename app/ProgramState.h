// The program's mutable state besides the bank and the settings, in one object the program
// owns. The accessors of each part (Seams(), ExportSeams(), Exporter(), InfoPanel(),
// FindState(), BrowserChoice(), PasswordGiven(), UserValid(), WorkgroupBankFile(),
// OperationPasswordCheck(), BankSaveHook(), SteadyClock()) reach their member here. They are
// for the windows and the commands' entry points, which hand the state to the commands.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "AppSeams.h"
#include "ExportSeams.h"
#include "ExportWriters.h"
#include "FindEngine.h"
#include "MainTree.h"
#include "TestURLRun.h"

struct TProgramState {
    TProgramState();

    // The windows' side of the bank code, and of export and import.
    TAppSeams Seams;
    TExportSeams ExportSeams;
    // The export running (its file, counts and collections).
    TExportState Exporter;
    // What the information panel tells the tree.
    TInfoPanelState InfoPanel;
    // The last search, for Find Next.
    TFindState Find;
    // The browser picked last in the browser choice (0 the first).
    int BrowserChoice = 0;
    // The bank's password was typed in this run.
    bool PasswordGiven = false;
    // The user's workgroup validation: its outcome, and whether it ran in this run.
    bool UserValid = false;
    bool UserValidated = false;
    // The workgroup bank file loaded (empty when none).
    std::string WorkgroupBankFile;
    // The password check before an export (the bank's own check at first).
    std::function<bool(int operation)> OperationPasswordCheck;
    // Called with the temporary file's name once a bank save has written it (tests).
    std::function<void(const std::string& tempFileName)> BankSaveHook;
    // The clock of the web page access test (the system's steady clock unless replaced).
    std::shared_ptr<TMonotonicClock> Clock;
};

TProgramState& ProgramState();
// Everything back to how the program starts (tests); the bank and the settings are not
// touched.
void ResetProgramState();
