// The clipboard format list of the tree classes, ClipboardFormats and the text formats' payloads.

#include "TreeTestSupport.h"
#include "VirtualStringTree.h"
#include "VirtualTreesClipboard.h"
#include "VirtualTreesExport.h"

namespace {

std::vector<std::string> Names(const std::vector<TClipboardFormatListEntry>& entries) {
    std::vector<std::string> names;
    for (const TClipboardFormatListEntry& entry : entries) names.push_back(entry.Description);
    return names;
}

}  // namespace

TEST(VirtualTreeClipboard, NativeFormatsInPriorityOrder) {
    using Names_ = std::vector<std::string>;
    EXPECT_EQ(Names(ClipboardFormatsOf(VirtualStringTreeClass)),
              (Names_{"Virtual Tree Data", "HTML Format", "Rich Text Format Without Objects",
                      "Rich Text Format", "CSV", "Unicode text", "Plain text"}));
    const std::vector<TClipboardFormatListEntry> base = ClipboardFormatsOf(BaseVirtualTreeClass);
    ASSERT_EQ(Names(base), Names_{"Virtual Tree Data"});
    EXPECT_EQ(base[0].Format, VirtualTreeDataFormat());
    EXPECT_EQ(base[0].Media, uint32_t(tmMemory | tmStream));
    EXPECT_EQ(ClipboardFormatsOf(VirtualStringTreeClass)[5].Format, StandardFormatUnicodeText);
    EXPECT_NE(VirtualTreeReferenceFormat(), 0);
    EXPECT_FALSE(FindClipboardFormat("Virtual Tree Reference")) << "offered but never listed";

    // A later registration with an equal priority comes after the earlier one; lookup finds the
    // last registered entry of a name, whatever its case.
    static const TVTTreeClass derived{"TestDerivedTree", &VirtualStringTreeClass};
    const TClipFormat own = RegisterVTClipboardFormat("Test tree format", derived, 90);
    EXPECT_EQ(RegisterVTClipboardFormat(TClipFormat(99), derived, 10), 0);
    EXPECT_EQ(Names(ClipboardFormatsOf(derived))[5], "Test tree format");
    EXPECT_EQ(ClipboardFormatsOf(VirtualStringTreeClass).size(), 7u);
    const auto found = FindClipboardFormat("TEST TREE FORMAT");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->Format, own);
    EXPECT_EQ(found->TreeClass, &derived);
    EXPECT_FALSE(FindClipboardFormat("never registered"));
}

TEST(VirtualTreeClipboard, ClipboardFormatsAcceptsOnlyTheClassFormats) {
    TestTree tree;
    TClipboardFormats& formats = tree.ClipboardFormats();
    EXPECT_EQ(formats.Add("CSV"), -1) << "a string tree's format";
    EXPECT_EQ(formats.Add("never registered"), -1);
    EXPECT_EQ(formats.Add("virtual tree data"), 0);
    EXPECT_EQ(formats.Add("Virtual Tree Data"), 0);
    EXPECT_EQ(formats.Count(), 1);
    TStringList names;
    names.Add("CSV");
    tree.SetClipboardFormats(names);
    EXPECT_EQ(formats.Count(), 0) << "emptied first, then only the class's names";
    names.Add("Virtual Tree Data");
    tree.SetClipboardFormats(names);
    EXPECT_EQ(formats.Count(), 1);
    EXPECT_TRUE(ClassOffersClipboardFormat(VirtualStringTreeClass, "csv"));
    EXPECT_TRUE(ClassOffersClipboardFormat(VirtualStringTreeClass, "Virtual Tree Data"));
    EXPECT_FALSE(ClassOffersClipboardFormat(BaseVirtualTreeClass, "Plain text"));

    TVirtualStringTree strings;
    EXPECT_EQ(strings.ClipboardFormats().Add("CSV"), 0) << "the string tree offers text formats";
}

TEST(VirtualTreeClipboard, TextFormatPayloads) {
    TestTree tree;
    tree.SetClientSize(300, 200);
    PVirtualNode a = tree.AddChild(nullptr);
    tree.AddChild(a);
    TExportCellText text = [&](PVirtualNode node, TColumnIndex) {
        return node == a ? std::u16string(u"a,<b>") : std::u16string(u"\u00e9");
    };
    EXPECT_EQ(RenderTextFormat(tree, StandardFormatText, tstAll, text, u','),
              "a,<b>\r\n\t\xC3\xA9\r\n");
    EXPECT_EQ(RenderTextFormat(tree, StandardFormatUnicodeText, tstAll, text, u','),
              "a,<b>\r\n\t\xC3\xA9\r\n");
    EXPECT_EQ(RenderTextFormat(tree, CSVClipFormat(), tstAll, text, u','),
              "\"a,<b>\"\r\n,\xC3\xA9\r\n");
    EXPECT_EQ(RenderTextFormat(tree, CSVClipFormat(), tstAll, text, u';'),
              "a,<b>\r\n;\xC3\xA9\r\n");
    const std::string rtf = RenderTextFormat(tree, RTFClipFormat(), tstAll, text, u',');
    EXPECT_EQ(rtf, RenderTextFormat(tree, RTFNoObjectsClipFormat(), tstAll, text, u','));
    EXPECT_EQ(rtf, ContentToRTF(tree, tstAll, text));
    const std::string html = RenderTextFormat(tree, HTMLClipFormat(), tstAll, text, u',');
    EXPECT_EQ(html, HTMLDocument(ContentToHTML(tree, tstAll, text)));
    EXPECT_EQ(html.rfind("<!DOCTYPE HTML PUBLIC", 0), 0u);
    EXPECT_NE(html.find("<!--StartFragment--><style type=\"text/css\">"), html.npos);
    EXPECT_NE(html.find(">a,&lt;b&gt;</td>"), html.npos);
    EXPECT_EQ(RenderTextFormat(tree, VirtualTreeDataFormat(), tstAll, text, u','), "");
    // Nothing to export gives no payload.
    EXPECT_EQ(RenderTextFormat(tree, CSVClipFormat(), tstSelected, text, u','), "");
}
