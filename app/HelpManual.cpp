// The help manual: where it lies and how a window opens it.
#include "HelpManual.h"

#include <filesystem>

#include "AppSeams.h"
#include "BrowserChoice.h"
#include "DesktopEntry.h"
#include "UrlEncoding.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/Messages.h"
#include "platform/SysUtils.h"

const std::vector<THelpTopic>& HelpTopics() {
    static const std::vector<THelpTopic> topics = {
        {"TMainForm", 10},
        {"TEntryForm", 20},
        {"TFindForm", 30},
        {"TPasswordDlg", 40},
        {"TBrowserSelectionForm", 50},
        {"TAboutBox", 60},
        {"TTimeStampForm", 70},
        {"TAdminSaveForm", 92},
        {"TConfigAllForm", 100},
        {"TFontColorDialog", 100},
        {"TSelectURLForm", 110},
        {"TCatChgSelForm", 120},
        {"TDelSelForm", 130},
        {"TFavUpdateForm", 140},
        {"TDupForm", 150},
        {"TExpSelForm", 170},
        {"TExpC1Form", 170},
        {"TExpC12Form", 170},
        {"TExpC123Form", 170},
        {"TReptSelForm", 180},
        {"TPrintSelForm", 190},
        {"TTestURLForm", 200},
    };
    return topics;
}

int WindowHelpContext(std::string_view windowClass) {
    for (const THelpTopic& topic : HelpTopics())
        if (windowClass == topic.Window) return topic.Context;
    return 0;
}

std::string HelpAnchor(int context) {
    for (const THelpTopic& topic : HelpTopics())
        if (topic.Context == context) return "context-" + IntToStr(context);
    return "contents";
}

std::string FindHelpManual(const std::string& programFolder) {
    for (const char* place : {"", "../share/lorvane/"}) {
        const std::string manual = std::filesystem::path(programFolder + place + HelpManualName)
                                       .lexically_normal()
                                       .string();
        if (FileExists(manual)) return manual;
    }
    return std::string();
}

std::string HelpManualURL(const std::string& manual, int context) {
    return DesktopUrl(manual) + "#" + HelpAnchor(context);
}

namespace {

// A page in the user's cache folder that sends the browser on to `url`: the desktop's opener
// keeps a file's name whole where it may drop the anchor of an address. Empty when it cannot
// be written.
std::string ForwardingPage(const std::string& url) {
    try {
        const std::string page = UserCacheFolder() + "help.html";
        const std::string target = HtmlEscape(url);
        WriteFileAtomic(ToNativePath(page),
                        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                        "<meta http-equiv=\"refresh\" content=\"0; url=" +
                            target + "\"><title>Lorvane Help</title></head>\n<body><p><a href=\"" +
                            target + "\">Lorvane Help</a></p></body></html>\n");
        return page;
    } catch (const Exception&) {
        return std::string();
    }
}

}  // namespace

void ShowHelp(int context) {
    ShowHelp(context, ProgramFolder());
}

void ShowHelp(int context, const std::string& programFolder) {
    const std::string manual = FindHelpManual(programFolder);
    if (manual.empty()) {
        MessageDlg("Help is not available.", TMsgDlgType::mtInformation, mbOK);
        return;
    }
    const std::string url = HelpManualURL(manual, context);
    const TStartFailed failed = [](const std::string& cause) {
        MessageDlg(cause, TMsgDlgType::mtError, mbOK);
    };
    try {
        // A browser's own command line gets the address whole; the desktop's opener may drop
        // its anchor (it does where it knows no desktop), so without a browser it gets a page
        // that forwards to the anchor.
        const std::string browser = ConfiguredOrDefaultBrowser();
        const std::vector<std::string> command =
            browser.empty() ? std::vector<std::string>() : BrowserCommand(browser, url);
        if (command.empty()) {
            const std::string page = ForwardingPage(url);
            OpenDocumentSeam(page.empty() ? url : DesktopUrl(page), failed);
        } else
            StartProgramSeam(command, failed);
    } catch (const Exception& e) {
        MessageDlg(e.Message, TMsgDlgType::mtError, mbOK);
    }
}
