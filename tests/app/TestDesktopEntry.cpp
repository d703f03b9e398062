// A browser's command line from its desktop entry, and for one URL.
#include "DesktopEntry.h"

#include <gtest/gtest.h>

#include "BankFixture.h"
#include "TempDir.h"

namespace {

TEST(DesktopEntry, DesktopEntriesKeepTheirWholeCommandLine) {
    const std::string file = "/usr/share/applications/web.desktop";
    auto command = [&](const std::string& exec) {
        return DesktopEntryCommand(
            "[Desktop Action new]\nExec=other\n[Desktop Entry]\nName=Web 100%\nIcon=web\n" + exec,
            file);
    };
    EXPECT_EQ(command("Exec=/usr/bin/chromium --no-sandbox %U\n"),
              "/usr/bin/chromium --no-sandbox %U");
    const std::string flatpak =
        "/usr/bin/flatpak run --branch=stable --arch=x86_64 --command=chromium "
        "--file-forwarding org.chromium.Chromium @@u %U @@";
    EXPECT_EQ(command("Exec=" + flatpak + "\n"), flatpak);
    EXPECT_EQ(command("Exec = \"/opt/my b/run\" %i --class=%c %k %d --x %%u %u\n"),
              "\"/opt/my b/run\" --icon web \"--class=Web 100%%\" "
              "/usr/share/applications/web.desktop --x %%u %u");
    EXPECT_EQ(command("Exec=run\\sthis \"a \\\\\\\\ b\"\n"), "run this \"a \\\\ b\"");
    EXPECT_EQ(
        DesktopEntryCommand("[Desktop Action new]\nExec=other\n[Desktop Entry]\nName=x\n", file),
        "");

    // What a browser setting starts.
    const std::string url = "http://x/?a=1&b=2";
    EXPECT_EQ(BrowserCommand("/usr/bin/chromium --no-sandbox %U", url),
              (Strings{"/usr/bin/chromium", "--no-sandbox", url}));
    EXPECT_EQ(BrowserCommand(flatpak, url),
              (Strings{"/usr/bin/flatpak", "run", "--branch=stable", "--arch=x86_64",
                       "--command=chromium", "--file-forwarding", "org.chromium.Chromium", "@@u",
                       url, "@@"}));
    EXPECT_EQ(BrowserCommand("\"/opt/my b/run\" --x=%u %%u %d", url),
              (Strings{"/opt/my b/run", "--x=" + url, "%u"}));
    EXPECT_EQ(BrowserCommand("firefox-esr", url), (Strings{"firefox-esr", url}));
    EXPECT_EQ(BrowserCommand("web --private-window", "-x.htm").back().front(), '/');
    EXPECT_EQ(BrowserCommand("  ", url), Strings{});
    TempDir dir;
    const std::string spaced = dir.File("my browser");  // an existing file is one program
    BankFixture::WriteAll(spaced, "#!/bin/sh\n");
    EXPECT_EQ(BrowserCommand(spaced, url), (Strings{spaced, url}));
}

}  // namespace
