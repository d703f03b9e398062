// The folder picker seam and the special folders' places on this desktop.
#include "platform/FolderPicker.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "TempDir.h"
#include "platform/qt/Application.h"

namespace {

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "test_platform";
    static char* argv[] = {name, nullptr};
    // One application object per process; other tests of this program may have made one.
    if (!QCoreApplication::instance()) new LorvaneApplication(argc, argv);
}

// Acts on the folder dialog as soon as it is up.
void WhenDialogShows(std::function<void(QFileDialog&)> act) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(*dialog);
        }
    });
    timer->start(5);
}

class FixedPicker : public FolderPicker {
public:
    bool Pick(const TFolderPickRequest& request, std::string& folder) override {
        folder = request.StartFolder + "/chosen";
        return true;
    }
};

TEST(FolderPicker, DefaultCancelsAndAnInstalledPickerAnswers) {
    std::string folder = "stale";
    EXPECT_FALSE(PickFolder({}, folder));
    EXPECT_EQ(folder, "");

    FixedPicker fixed;
    FolderPicker* previous = SetFolderPicker(&fixed);
    TFolderPickRequest request;
    request.StartFolder = "/tmp";
    EXPECT_TRUE(PickFolder(request, folder));
    EXPECT_EQ(folder, "/tmp/chosen");
    EXPECT_EQ(&CurrentFolderPicker(), &fixed);
    SetFolderPicker(previous);
    EXPECT_FALSE(PickFolder(request, folder));
}

TEST(FolderPicker, SpecialFoldersWithoutAPlaceAreTheHomeFolder) {
    const std::string home = std::getenv("HOME");
    EXPECT_EQ(SpecialFolderPath(6), home);   // favourites: no such place here
    EXPECT_EQ(SpecialFolderPath(10), home);  // the recycle bin neither
    EXPECT_FALSE(SpecialFolderPath(5).empty());
    EXPECT_EQ(SpecialFolderPath(0), SpecialFolderPath(16));  // both are the desktop
}

TEST(DesktopFolderPicker, AcceptedDialogGivesItsFolder) {
    EnsureApplication();
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "Chosen");
    TFolderPickRequest request;
    request.Title = "Select a folder";
    request.StartFolder = dir.File("Chosen");
    int shown = 0;
    request.OnShown = [&] { ++shown; };
    QString title;
    WhenDialogShows([&](QFileDialog& d) {
        title = d.windowTitle();
        static_cast<QDialog&>(d).accept();  // as the OK button does
    });
    std::string folder;
    ASSERT_TRUE(DesktopFolderPicker().Pick(request, folder));
    EXPECT_EQ(folder, dir.File("Chosen"));
    EXPECT_EQ(title, "Select a folder");  // the prompt when there is no caption
    EXPECT_EQ(shown, 1);
}

TEST(DesktopFolderPicker, RejectedDialogGivesNothing) {
    EnsureApplication();
    TFolderPickRequest request;
    request.Caption = "Caption";
    request.SpecialRoot = 6;
    QString title;
    WhenDialogShows([&](QFileDialog& d) {
        title = d.windowTitle();
        d.reject();
    });
    std::string folder = "stale";
    EXPECT_FALSE(DesktopFolderPicker().Pick(request, folder));
    EXPECT_EQ(folder, "");
    EXPECT_EQ(title, "Caption");
}

}  // namespace
