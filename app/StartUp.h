// The start-up step after the main window is shown.
#pragma once

#include <string>

// The bank opened at start: "Default" when that file exists (a relative name lies in the data
// folder), else "Lorvane.BNK" or "Lorvane.bnk" in the program's or the data folder; empty
// when there is none.
std::string StartupBankFile();
// The start-up step after the main window is shown: the bank, the workgroup and the
// start-up URLs. A "Default" that names a folder is refused with a message first.
void StartUp();
