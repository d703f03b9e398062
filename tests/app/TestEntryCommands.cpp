// The editor's save rules and the entry commands, headless: the editor is played by a seam.
#include <gtest/gtest.h>

#include <functional>

#include "BankCommands.h"
#include "BankFile.h"
#include "BankFixture.h"
#include "EntryCommands.h"
#include "ExportWriters.h"
#include "SessionsHome.h"
#include "TempDir.h"
#include "platform/Clipboard.h"
#include "platform/DateTime.h"
#include "platform/FileUtils.h"

namespace {

class EntryTest : public BankFixture {
protected:
    EntryTest() {
        SetClipboardText("");
        seams = Seams();  // the fixture's tree, Save and focus
        bank.Seams = &seams;
        // The editor: `edit` changes its texts, then Save (or Cancel when `cancel`).
        seams.RunEntryForm = [this](int mode) {
            modes.push_back(mode);
            opened.push_back(bank.EditEntry);
            if (cancel) return int(mrCancel);
            TEntryFormTexts texts = EntryFormTexts(bank);
            if (edit) edit(texts);
            return SaveEntryFormTexts(bank, texts) ? int(mrOk) : int(mrCancel);
        };
        seams.AskPassword = [this](std::string& typed) {
            if (typed_.empty()) return false;
            typed = typed_.front();
            typed_.erase(typed_.begin());
            return true;
        };
    }
    ~EntryTest() override { SetClipboardText(""); }

    // Saves texts over EditEntry as the editor would.
    bool Save(const std::function<void(TEntryFormTexts&)>& change) {
        TEntryFormTexts texts = EntryFormTexts(bank);
        change(texts);
        return SaveEntryFormTexts(bank, texts);
    }
    void Focus(int index) { bank.FocusedEntry = index; }
    void Add(const TEntry& e) { bank.AppendEntry(e); }

    TBankState bank;
    TSettings settings;
    TAppSeams seams;

    std::function<void(TEntryFormTexts&)> edit;
    bool cancel = false;
    std::vector<int> modes;
    std::vector<TEntry> opened;
    Strings typed_;
};

// ---- The editor's rules ----

TEST_F(EntryTest, NameRules) {
    Add(Named("Alpha"));
    Add(Named("Beta"));
    bank.EditEntry = bank.Entry(1);
    bank.ModifiedEntry = 1;  // as Modify shows it
    for (const char* blank : {"", " ", "   "}) {
        EXPECT_FALSE(Save([&](TEntryFormTexts& t) { t.Name = blank; }));
        EXPECT_EQ(messages.LastText(), "Name must be completed!\rPlease try again");
    }
    EXPECT_FALSE(Save([](TEntryFormTexts& t) { t.Name = " Alpha "; }));
    EXPECT_EQ(messages.LastText(), "This name already exists!\rPlease try again");
    EXPECT_EQ(bank.EditEntry.Name, "Beta");  // unchanged while the editor stays open
    EXPECT_TRUE(Save([](TEntryFormTexts& t) { t.Name = "Beta  "; }));
    EXPECT_EQ(bank.EditEntry.Name, "Beta  ");
    bank.EditEntry.Name = "Beta";
    EXPECT_TRUE(Save([](TEntryFormTexts& t) { t.Name = "alpha"; }));
    EXPECT_EQ(messages.Shown.size(), 4u);
}

TEST_F(EntryTest, WorkgroupNamesMarkTheirCategories) {
    bank.NewBank = true;
    bank.IsAdministrator = true;
    edit = [](TEntryFormTexts& t) {
        t.Name = Mark + "New";
        t.Category1 = "a";
        t.Category2 = "";
        t.Category3 = Mark + "b";
    };
    ASSERT_TRUE(AddEntryCommand(bank, settings));
    const TEntry& e = bank.Entry(0);
    EXPECT_EQ(e.Category1, Mark + "a");
    EXPECT_EQ(e.Category2, "");
    EXPECT_EQ(e.Category3, Mark + "b");
    EXPECT_TRUE(bank.WorkgroupModified);
    EXPECT_FALSE(bank.BankModified);

    // Another user cannot make a workgroup entry.
    bank.IsAdministrator = false;
    ClearEntry(bank.EditEntry);
    EXPECT_FALSE(Save([](TEntryFormTexts& t) { t.Name = Mark + "Mine"; }));
    EXPECT_EQ(messages.LastText(), "This operation can only be done by a Lorvane Administrator");
}

TEST_F(EntryTest, CopyBack) {
    TEntry& e = bank.EditEntry;
    e.Name = "n";
    e.LastAccess = 40000.0;
    const TDateTime before = Now();
    ASSERT_TRUE(Save([](TEntryFormTexts& t) {
        t.URL = "http://a\r\nb";
        t.Rating = "12345";
        t.UserID = std::string(30, 'u');
        t.Password = t.Password2 = std::string(20, 'p');
        t.AccessCount = "12";
        t.Notes = "one\r\ntwo";
        t.Favorite = true;
    }));
    EXPECT_EQ(e.URL, "http://ab");
    EXPECT_EQ(e.Rating.str(), "123");
    EXPECT_EQ(e.UserID.str(), std::string(25, 'u'));
    EXPECT_EQ(e.Password.str(), std::string(15, 'p'));
    EXPECT_EQ(e.AccessCount, 12);
    EXPECT_EQ(e.Notes, "one\r\ntwo");
    EXPECT_EQ(e.Favorite.str(), Mark);
    EXPECT_GE(e.ChangeDate, before);
    EXPECT_EQ(e.LastAccess, 40000.0);

    ASSERT_TRUE(Save([](TEntryFormTexts& t) { t.URL = "\r\n"; }));
    EXPECT_EQ(e.URL, "None");

    const TEntry kept = e;
    EXPECT_FALSE(Save([](TEntryFormTexts& t) {
        t.AccessCount = "x";
        t.URL = "changed";
    }));
    EXPECT_FALSE(messages.LastText().empty());
    EXPECT_EQ(e, kept);
    EXPECT_FALSE(Save([](TEntryFormTexts& t) { t.Password2 = "other"; }));
    EXPECT_EQ(messages.LastText(), "The PassWord entries are not the same.\rPlease try again.");
    EXPECT_EQ(e, kept);
}

TEST_F(EntryTest, LongImportedValuesSurviveASave) {
    TEntry& e = bank.EditEntry;
    e.Name = std::string(60, 'n');
    e.URL = "http://" + std::string(293, 'u');
    e.Description = std::string(80, 'd');
    ASSERT_TRUE(Save([](TEntryFormTexts&) {}));
    EXPECT_EQ(e.Name.size(), 60u);
    EXPECT_EQ(e.URL.size(), 300u);
    EXPECT_EQ(e.Description.size(), 80u);
    EXPECT_EQ(EntryDateText(NoDate), "");
    EXPECT_EQ(EntryDateText(36892.0), "Jan 01, 01");
}

TEST_F(EntryTest, HugeValuesAreShownShortAndSavedWhole) {
    TEntry& e = bank.EditEntry;
    const std::string name(30 << 20, 'n'), url = "http://" + std::string(HugeFieldBytes, 'u');
    const std::string longLine = "a\r\n" + std::string(HugeFieldBytes + 1, 'x');
    const std::string shortLines = [] {
        std::string lines;
        while (lines.size() <= HugeFieldBytes) lines += "a usual line\r\n";
        return lines;
    }();
    e.Name = name;
    e.URL = url;
    e.Notes = shortLines;
    e.ConfNotes = longLine;
    const TEntryFormTexts stored = EntryFormTexts(bank);
    const TEntryFormTexts shown = ShownEntryFormTexts(stored);
    EXPECT_EQ(shown.Name, std::string(HugeFieldShownBytes, 'n') + "...");
    EXPECT_EQ(shown.URL.size(), HugeFieldShownBytes + 3);
    EXPECT_EQ(shown.Notes, shortLines);  // many short lines are no trouble
    EXPECT_EQ(shown.ConfNotes.size(), HugeFieldShownBytes + 3);
    // Untouched, every value goes back byte for byte; a replaced one is saved as typed.
    TEntryFormTexts edited = shown;
    edited.URL = "http://new/";
    KeepHugeValues(edited, shown, stored);
    ASSERT_TRUE(SaveEntryFormTexts(bank, edited));
    EXPECT_TRUE(e.Name == name);
    EXPECT_EQ(e.URL, "http://new/");
    EXPECT_EQ(e.Notes, shortLines);
    EXPECT_EQ(e.ConfNotes, longLine);
}

// ---- Modify, Copy, Delete ----

TEST_F(EntryTest, ModifyWritesBackAndCancelChangesNothing) {
    Add(Named("Alpha"));
    Add(Named("Beta"));
    Focus(1);
    cancel = true;
    const std::vector<TEntry> before = bank.Entries;
    EXPECT_FALSE(ModifyEntryCommand(bank, settings));
    EXPECT_EQ(bank.Entries, before);
    EXPECT_FALSE(bank.BankModified);

    cancel = false;
    edit = [](TEntryFormTexts& t) {
        t.Name = "Gamma";
        t.URL = "http://g";
    };
    ASSERT_TRUE(ModifyEntryCommand(bank, settings));
    EXPECT_EQ(modes.back(), 0);
    EXPECT_EQ(opened.back().Name, "Beta");
    EXPECT_EQ(Names(bank), (Strings{"Alpha", "Gamma"}));
    EXPECT_EQ(bank.Entry(1).URL, "http://g");
    EXPECT_TRUE(bank.BankModified);
    EXPECT_EQ(focused.back(), 1);
    EXPECT_EQ(saveEnabled.back(), true);
}

TEST_F(EntryTest, CopyKeepsAllButNameFavoriteAndChangeDate) {
    TEntry source = Named("Src");
    source.Favorite = Mark;
    source.LastAccess = 40000.0;
    source.ChangeDate = 39000.0;
    source.AccessCount = 7;
    source.UserID = "me";
    source.Password = "pw";
    source.Notes = "n";
    source.ConfNotes = "c";
    Add(source);
    Focus(0);
    edit = [](TEntryFormTexts& t) { t.Name = "Copy"; };
    ASSERT_TRUE(CopyEntryCommand(bank, settings));
    EXPECT_EQ(modes.back(), 1);
    EXPECT_EQ(opened.back().Name, "");
    EXPECT_TRUE(opened.back().Favorite.empty());
    ASSERT_EQ(bank.Count(), 2);
    const TEntry& copy = bank.Entry(1);
    EXPECT_EQ(copy.Name, "Copy");
    EXPECT_EQ(copy.LastAccess, 40000.0);
    EXPECT_GT(copy.ChangeDate, 39000.0);
    EXPECT_EQ(copy.AccessCount, 7);
    EXPECT_EQ(copy.UserID.str(), "me");
    EXPECT_EQ(copy.Password.str(), "pw");
    EXPECT_EQ(copy.Notes, "n");
    EXPECT_EQ(copy.ConfNotes, "c");
    EXPECT_EQ(copy.URL, source.URL);
}

TEST_F(EntryTest, DeleteAsksKeepsOrderAndFocusesTheNext) {
    for (const char* n : {"A", "B", "C"}) Add(Named(n));
    Focus(1);
    messages.Answer(mrNo);
    EXPECT_FALSE(DeleteEntryCommand(bank, settings));
    EXPECT_EQ(messages.LastText(), "Do you want to delete\rB?");
    EXPECT_EQ(Names(bank), (Strings{"A", "B", "C"}));
    messages.Answer(mrYes);
    ASSERT_TRUE(DeleteEntryCommand(bank, settings));
    EXPECT_EQ(Names(bank), (Strings{"A", "C"}));
    EXPECT_EQ(bank.FocusedEntry, 1);
    EXPECT_TRUE(bank.BankModified);

    settings.ConfirmDeletes = false;
    const size_t asked = messages.Shown.size();
    ASSERT_TRUE(DeleteEntryCommand(bank, settings));  // the last entry
    EXPECT_EQ(messages.Shown.size(), asked);
    EXPECT_EQ(Names(bank), Strings{"A"});
    EXPECT_EQ(bank.FocusedEntry, -1);
    EXPECT_FALSE(DeleteEntryCommand(bank, settings));
}

TEST_F(EntryTest, WorkgroupGuardAndStaleFocus) {
    Add(Named(Mark + "x"));
    Focus(0);
    const std::vector<TEntry> before = bank.Entries;
    EXPECT_FALSE(ModifyEntryCommand(bank, settings));
    EXPECT_FALSE(CopyEntryCommand(bank, settings));
    EXPECT_FALSE(DeleteEntryCommand(bank, settings));
    EXPECT_EQ(messages.Texts(),
              Strings(3, "This operation can only be done by a Lorvane Administrator"));
    EXPECT_TRUE(modes.empty());
    EXPECT_EQ(bank.Entries, before);

    Focus(5);  // beyond EntryHigh
    messages.Shown.clear();
    EXPECT_FALSE(ModifyEntryCommand(bank, settings));
    EXPECT_FALSE(DeleteEntryCommand(bank, settings));
    CopyURLToClipboard(bank);
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_EQ(ClipboardText(), "");
}

// ---- Drops and captured pages ----

TEST_F(EntryTest, DroppedLinkWithCleanUp) {
    bank.NewBank = true;
    settings.CleanUpPhrases = {"Home", "Welcome"};
    messages.Answer(mrYes);
    messages.Answer(mrYes);
    ASSERT_TRUE(DropURLCommand(bank, settings, "Home Welcome Page", "http://x/"));
    EXPECT_EQ(
        messages.Texts(),
        (Strings{"Do you want to eliminate\r\"Home\"\rfrom the URL name\r\"Home Welcome Page\"",
                 "Do you want to eliminate\r\"Welcome\"\rfrom the URL name\r\"Welcome Page\""}));
    EXPECT_EQ(modes, std::vector<int>{1});
    EXPECT_EQ(bank.Entry(0).Name, "Page");
    EXPECT_EQ(bank.Entry(0).URL, "http://x/");

    ClearEntry(bank.EditEntry);
    bank.EditEntry.Name = "home page";
    messages.Answer(mrYes);
    CleanUpURLName(bank, settings);
    EXPECT_EQ(bank.EditEntry.Name, "page");
    bank.EditEntry.Name = "Homestead";
    messages.Answer(mrNo);
    CleanUpURLName(bank, settings);
    EXPECT_EQ(bank.EditEntry.Name, "Homestead");
}

TEST_F(EntryTest, AddingChecksTheNameTheRecordCameWith) {
    Add(Named("Page"));
    Focus(0);
    // A drop of a page titled as an entry, saved as it came: refused.
    EXPECT_FALSE(DropURLCommand(bank, settings, "Page", "http://other/"));
    EXPECT_EQ(messages.LastText(), "This name already exists!\rPlease try again");
    // A title longer than a name, dropped twice: its first 50 characters name it.
    const std::string title(60, 't');
    ASSERT_TRUE(DropURLCommand(bank, settings, title, "http://t/"));
    messages.Shown.clear();
    EXPECT_FALSE(DropURLCommand(bank, settings, title + "u", "http://t/"));
    EXPECT_EQ(messages.LastText(), "This name already exists!\rPlease try again");
    Focus(1);
    edit = [&](TEntryFormTexts& t) { t.Name = title + "v"; };  // not a clash with itself
    EXPECT_TRUE(ModifyEntryCommand(bank, settings));
    EXPECT_EQ(bank.Entry(1).Name, title + "v");
    Focus(0);
    // Modify keeps the entry's own name.
    edit = [](TEntryFormTexts& t) { t.URL = "http://new/"; };
    EXPECT_TRUE(ModifyEntryCommand(bank, settings));
    EXPECT_EQ(bank.Entry(0).URL, "http://new/");
    EXPECT_EQ(bank.ModifiedEntry, -1);
}

TEST_F(EntryTest, AnAbandonedNewStopsTheCommand) {
    // Every entry deleted: no bank is open, yet the bank has changed. New works on the
    // program's bank, and the command on the program's seams.
    Bank().BankModified = true;
    Seams().RunEntryForm = seams.RunEntryForm;
    Seams().NewBank = [] { return NewBankCommand(); };
    messages.Answer(mrYes);  // create a new bank
    messages.Answer(mrYes);  // save the changed one: nothing to save, so New is abandoned
    EXPECT_FALSE(AddEntryCommand(Bank(), settings));
    EXPECT_TRUE(modes.empty());
    EXPECT_EQ(messages.LastText(), "Nothing to save!");
    EXPECT_FALSE(Bank().NewBank);
}

TEST_F(EntryTest, CurrentPageWithAndWithoutABrowser) {
    SessionsHome home;
    bank.NewBank = true;
    cancel = true;
    bank.EditEntry.Name = "stale";
    EXPECT_FALSE(AddEntryCurrentURLCommand(bank, settings));
    EXPECT_EQ(messages.Texts(),
              Strings{"No URL information is available\r        or\r"
                      "A browser other than Internet Explorer\ror Netscape Navigator is in use."});
    EXPECT_EQ(modes, std::vector<int>{1});
    EXPECT_EQ(opened.back().Name, "");
    EXPECT_EQ(opened.back().URL, "");

    std::string url, name;
    EXPECT_FALSE(ParseBrowserReply("", url, name));
    EXPECT_TRUE(ParseBrowserReply("\"http://only/\"", url, name));
    EXPECT_EQ(url, "http://only/");
    EXPECT_EQ(name, "");

    // The page the browser used last shows, read from its session file.
    home.AddFirefox(SessionsHome::Read(SessionsHome::Fixture("firefox/recovery.jsonlz4")));
    settings.CleanUpPhrases = {"Gamma"};
    messages.Answer(mrYes);
    AddEntryCurrentURLCommand(bank, settings);
    EXPECT_EQ(opened.back().URL, "http://127.0.0.1:18931/c.html");
    EXPECT_EQ(opened.back().Name, "Reached From Alpha");
    // A damaged one: the message, and an empty entry.
    home.AddFirefox("mozLz40\0damaged");
    messages.Shown.clear();
    AddEntryCurrentURLCommand(bank, settings);
    EXPECT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(opened.back().URL, "");
}

// ---- The clipboard ----

TEST_F(EntryTest, ClipboardCommands) {
    TEntry e = Named("Site", "Cat");
    e.UserID = "me";
    e.Password = "pw";
    e.Notes = "line one\r\nline two";
    Add(e);
    Focus(0);
    CopyURLToClipboard(bank);
    EXPECT_EQ(ClipboardText(), "http://Site");
    CopyUserIDToClipboard(bank);
    EXPECT_EQ(ClipboardText(), "me");
    CopyEntryToClipboard(bank);
    std::vector<std::string> lines;
    AppendEntryText(lines, e);
    EXPECT_EQ(ClipboardText(), JoinLinesCRLF(lines));
    EXPECT_TRUE(messages.Shown.empty());

    bank.FilePassword = "Secret";
    typed_ = {"wrong", " SECRET "};
    CopyUserIDPasswordToClipboard(bank);
    EXPECT_EQ(messages.Texts(), Strings{"Password failed!\rPlease try again"});
    EXPECT_EQ(ClipboardText(), "pw");
    SetClipboardText("before");
    CopyUserIDPasswordToClipboard(bank);  // Cancel
    EXPECT_EQ(ClipboardText(), "before");
}

TEST_F(EntryTest, CopyPasswordTakesThePasswordThatOpenedTheBank) {
    // A bank whose stored password has blanks around it opens with the trimmed password.
    TempDir dir;
    WriteAll(dir.File("p.bnk"),
             CRLF({"#----F#2.0", "#----P#" + EncodePasswordValue("  Secret "),
                   "#00001#Na=" + EncodeProtectedValue("Site"),
                   "#00001#Ux=" + EncodeProtectedValue("http://site"),
                   "#00001#Pw=" + EncodeProtectedValue(EncodePasswordValue("pw"))}));
    typed_ = {"secret", "secret"};
    Seams().AskPassword = seams.AskPassword;  // the program's bank has the program's seams
    ASSERT_TRUE(OpenBank(dir.File("p.bnk")));
    Bank().FocusedEntry = 0;
    CopyUserIDPasswordToClipboard(Bank());
    EXPECT_EQ(messages.Texts(), Strings{});
    EXPECT_EQ(ClipboardText(), "pw");
}

}  // namespace
