// Web addresses, and targets as the desktop and browsers take them.
#include "UrlEncoding.h"

#include <gtest/gtest.h>

#include "BankFixture.h"

namespace {

TEST(UrlEncoding, WebAddressesAndDesktopUrls) {
    for (const char* url :
         {"http://x", "HTTPS://x", "www.x.org", "WwW.x", "page.htm", "/tmp/Page.HTML"})
        EXPECT_TRUE(IsWebAddress(url)) << url;
    for (const char* url : {"", "ftp://x", "/tmp/notes.txt", "mailto:a@b", "htm", "ww.x"})
        EXPECT_FALSE(IsWebAddress(url)) << url;

    EXPECT_EQ(DesktopUrl("www.x.org/a"), "http://www.x.org/a");
    EXPECT_EQ(DesktopUrl("MailTo:Ann Lee <ann@x.org>"), "mailto:Ann%20Lee%20%3Cann@x.org%3E");
    EXPECT_EQ(DesktopUrl("MailTo:j\xE9@x.org"), "mailto:j%C3%A9@x.org");
    EXPECT_EQ(DesktopUrl("https://x/?a=1"), "https://x/?a=1");
    EXPECT_EQ(DesktopUrl("/tmp/a b.txt"), "file:///tmp/a%20b.txt");
    const std::string drive = DesktopUrl("C:notes");  // no one-letter scheme: a relative path
    EXPECT_EQ(drive.substr(0, 8), "file:///");
    EXPECT_EQ(drive.substr(drive.size() - 10), "/C%3Anotes");

    EXPECT_EQ(BrowserArgument("http://x"), "http://x");
    EXPECT_EQ(BrowserArgument("www.x"), "www.x");
    EXPECT_EQ(BrowserArgument("/tmp/p.htm"), "/tmp/p.htm");
    const std::string relative = BrowserArgument("-new-window.htm");
    EXPECT_EQ(relative.front(), '/');
    EXPECT_EQ(relative.substr(relative.size() - 16), "/-new-window.htm");

    // A mail link keeps its recipients and header fields; only what it cannot hold is escaped.
    EXPECT_EQ(DesktopUrl("MailTo:person12@example.org,second@example.net?subject=Hello World & "
                         "more&body=Line"),
              "mailto:person12@example.org,second@example.net?subject=Hello%20World%20&%20more&"
              "body=Line");
    EXPECT_EQ(DesktopUrl("mailto:a@x?body=100%25 #1 50%"), "mailto:a@x?body=100%25%20%231%2050%25");
}

}  // namespace
