// The folder picker component with a scripted picker: requests, results and normalisation.
#include "StBrowsr.h"

#include <gtest/gtest.h>

#include <platform/FolderPicker.h>

namespace {

// Answers with a script and records the request; walks through `visits` first.
class ScriptedPicker : public FolderPicker {
public:
    ScriptedPicker() { previous_ = SetFolderPicker(this); }
    ~ScriptedPicker() override { SetFolderPicker(previous_); }

    bool Pick(const TFolderPickRequest& request, std::string& folder) override {
        Last = request;
        if (request.OnShown) request.OnShown();
        for (const auto& v : Visits)
            if (request.OnSelectionChanged) request.OnSelectionChanged(v);
        folder = Answer;
        return Accept;
    }

    bool Accept = true;
    std::string Answer;
    std::vector<std::string> Visits;
    TFolderPickRequest Last;

private:
    FolderPicker* previous_ = nullptr;
};

TEST(StBrowser, SelectedFolderLosesOneTrailingDelimiter) {
    EXPECT_EQ(NormalizeSelectedFolder("/home/u/"), "/home/u");
    EXPECT_EQ(NormalizeSelectedFolder("/"), "/");
    EXPECT_EQ(NormalizeSelectedFolder("C:\\Dir\\"), "C:\\Dir");
    EXPECT_EQ(NormalizeSelectedFolder("C:\\"), "C:\\");
    EXPECT_EQ(NormalizeSelectedFolder("C:/"), "C:\\");
    EXPECT_EQ(NormalizeSelectedFolder(""), "");
    EXPECT_EQ(NormalizeSelectedFolder("/home/u"), "/home/u");
    TStBrowser b;
    b.SetSelectedFolder("/tmp/x/");
    EXPECT_EQ(b.SelectedFolder(), "/tmp/x");
}

TEST(StBrowser, ExecuteAcceptedGivesThePath) {
    ScriptedPicker picker;
    picker.Answer = "/home/u/Favorites";
    picker.Visits = {"/home/u/", "/home/u/Favorites"};
    TStBrowser b;
    b.AdditionalText = "Select the Favorites folder";
    b.SetSelectedFolder("/home/u/");
    int shown = 0, changed = 0;
    b.OnShow = [&](TObject* sender) { shown += sender == &b; };
    b.OnSelChanged = [&](TObject*) { ++changed; };
    ASSERT_TRUE(b.Execute());
    EXPECT_EQ(b.FullPath(), "/home/u/Favorites");
    EXPECT_EQ(b.SelectedFolder(), "/home/u/Favorites");
    EXPECT_EQ(b.DisplayName(), "Favorites");
    EXPECT_EQ(b.ImageIndex(), 0);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(changed, 2);
    EXPECT_EQ(picker.Last.Title, "Select the Favorites folder");
    EXPECT_EQ(picker.Last.StartFolder, "/home/u");
    EXPECT_TRUE(picker.Last.CenterOnScreen);
    EXPECT_FALSE(picker.Last.ShowFiles);
    EXPECT_EQ(picker.Last.SpecialRoot, -1);
}

TEST(StBrowser, ExecuteCancelledClearsTheResult) {
    ScriptedPicker picker;
    picker.Accept = false;
    TStBrowser b;
    b.SetSelectedFolder("/start");
    EXPECT_FALSE(b.Execute());
    EXPECT_EQ(b.DisplayName(), "");
    EXPECT_EQ(b.ImageIndex(), 0);
    EXPECT_EQ(b.SelectedFolder(), "/start");
}

TEST(StBrowser, WithoutADesktopEveryRequestIsCancelled) {
    TStBrowser b;
    EXPECT_FALSE(b.Execute());
}

TEST(StBrowser, RootsOptionsAndPosition) {
    ScriptedPicker picker;
    picker.Answer = "/";
    TStBrowser b;
    b.RootFolder = "/srv";
    b.Caption = "Pick";
    b.StatusText = "status";
    b.Position = TStBrowsePosition::bpDefault;
    b.Options = TStBrowseOptions::boReturnOnlyDirs | TStBrowseOptions::boShowFiles;
    EXPECT_EQ(b.BrowseFlags(), 0x4005u);
    ASSERT_TRUE(b.Execute());
    EXPECT_EQ(b.DisplayName(), "/");
    EXPECT_EQ(picker.Last.RootFolder, "/srv");
    EXPECT_EQ(picker.Last.Caption, "Pick");
    EXPECT_TRUE(picker.Last.ShowFiles);
    EXPECT_FALSE(picker.Last.CenterOnScreen);

    b.SetSpecialRootFolder(TStSpecialRootFolder::sfPersonal);
    EXPECT_EQ(b.SpecialRootFolderID(), 5);
    b.Execute();
    EXPECT_EQ(picker.Last.SpecialRoot, 5);
    EXPECT_EQ(picker.Last.RootFolder, "");
    b.SetSpecialRootFolder(TStSpecialRootFolder::sfDesktop);
    b.Execute();
    EXPECT_EQ(picker.Last.SpecialRoot, 0);  // the desktop, not "no special root"
    b.SetSpecialRootFolder(TStSpecialRootFolder::sfHistory);
    EXPECT_EQ(b.SpecialRootFolder(), TStSpecialRootFolder::sfHistory);
    EXPECT_EQ(b.SpecialRootFolderID(), 34);
}

}  // namespace
