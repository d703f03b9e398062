// Data objects on the clipboard: rendered only when asked, released once when the clipboard lets
// go of them, another program's data copied in; the live-object registry and process references.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "platform/Clipboard.h"
#include "platform/Controls.h"
#include "platform/DataObject.h"
#include "platform/LiveRegistry.h"

namespace {

// Offers plain text, CSV, tree data and a format no other program knows; counts what it
// renders and how often it was released.
class CountingObject : public TDataObject {
public:
    TClipFormat privateFormat = RegisterClipboardFormatName("Test private format");
    TClipFormat treeData = RegisterClipboardFormatName("Virtual Tree Data");
    std::vector<TClipFormat> Formats() const override {
        return {StandardFormatUnicodeText, ClipboardFormatOfMimeType("text/csv"), treeData,
                StandardFormatText, privateFormat};
    }
    std::optional<std::string> GetData(TClipFormat format) override {
        ++renders;
        if (format == StandardFormatUnicodeText || format == StandardFormatText)
            return std::string("caf\xC3\xA9\n");
        if (format == treeData) return std::string("\x01\x00\x00\x00\x7F", 5);
        if (format == privateFormat) return std::string("private");
        return std::nullopt;
    }
    void ClipboardReleased() override { ++released; }
    int renders = 0;
    int released = 0;
};

}  // namespace

TEST(DataObject, MemoryObjectsKeepOneEntryPerFormat) {
    TMemoryDataObject data;
    data.SetData(StandardFormatUnicodeText, "a");
    data.SetData(7, "b");
    data.SetData(StandardFormatUnicodeText, "c");
    EXPECT_EQ(data.Formats(), (std::vector<TClipFormat>{StandardFormatUnicodeText, 7}));
    EXPECT_EQ(data.GetData(StandardFormatUnicodeText), "c");
    EXPECT_FALSE(data.GetData(2));
    EXPECT_TRUE(data.HasFormat(7));
    EXPECT_FALSE(data.HasFormat(0));
}

TEST(DataObject, LiveIdentitiesAndProcessReferences) {
    TLiveRegistry registry;
    int a = 0, b = 0;
    const uint32_t ia = registry.Register(&a);
    const uint32_t ib = registry.Register(&b);
    EXPECT_NE(ia, 0u);
    EXPECT_NE(ia, ib);
    EXPECT_EQ(registry.Find(ia), &a);
    registry.Unregister(ia);
    EXPECT_EQ(registry.Find(ia), nullptr);
    EXPECT_EQ(registry.Find(0), nullptr);
    const uint32_t ic = registry.Register(&a);
    EXPECT_NE(ic, ia) << "a stale identity does not come back at once";
    EXPECT_EQ(registry.Count(), 2u);

    const std::string reference = MakeProcessReference(ib);
    ASSERT_EQ(reference.size(), 8u);
    EXPECT_EQ(ReadProcessReference(reference), ib);
    std::string other = reference;
    other[0] = char(other[0] ^ 1);
    EXPECT_EQ(ReadProcessReference(other), std::nullopt) << "another process";
    EXPECT_EQ(ReadProcessReference(reference + "x"), std::nullopt);
    EXPECT_EQ(ReadProcessReference(reference.substr(0, 7)), std::nullopt);
}

TEST(DataObject, TheMemoryClipboardRendersOnRequestAndReleasesOnce) {
    auto store = CreateMemoryClipboard();
    SetClipboardStore(store.get());
    auto object = std::make_shared<CountingObject>();
    EXPECT_TRUE(SetClipboardDataObject(object));
    EXPECT_EQ(object->renders, 0);
    EXPECT_EQ(ClipboardDataObject(), object);
    EXPECT_TRUE(ClipboardHasFormat("text/csv"));
    EXPECT_FALSE(ClipboardHasFormat("text/html"));
    EXPECT_EQ(ClipboardText(), "caf\xE9\r\n");
    EXPECT_EQ(object->renders, 1);
    EXPECT_FALSE(SetClipboardDataObject(nullptr));
    EXPECT_TRUE(SetClipboardDataObject(object)) << "the same object again is no release";
    EXPECT_EQ(object->released, 0);

    SetClipboardTextAndData("text", "application/x-lorvane-tree-data", "nodes");
    EXPECT_EQ(object->released, 1);
    const PDataObject copy = ClipboardDataObject();
    EXPECT_EQ(copy->GetData(StandardFormatUnicodeText), "text");
    EXPECT_EQ(copy->GetData(object->treeData), "nodes");

    SetClipboardDataObject(object);
    ClearClipboard();
    EXPECT_EQ(object->released, 2);
    EXPECT_FALSE(ClipboardHasText());
    EXPECT_TRUE(ClipboardDataObject()->Formats().empty());
    SetClipboardStore(nullptr);
}

TEST(DataObject, TheDesktopClipboardOffersMimeTypesAndRendersLazily) {
    EnsureGuiApplication();
    auto desktop = CreateSystemClipboard();
    SetClipboardStore(desktop.get());
    QClipboard* clipboard = QGuiApplication::clipboard();

    auto object = std::make_shared<CountingObject>();
    ASSERT_TRUE(SetClipboardDataObject(object));
    const QMimeData* mime = clipboard->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_EQ(mime->formats(),
              (QStringList{"text/plain", "text/csv", "application/x-lorvane-tree-data"}))
        << "one text/plain; the private format stays inside the program";
    EXPECT_EQ(object->renders, 0) << "nothing is rendered before a program asks";
    EXPECT_EQ(clipboard->text(), QString::fromUtf8("caf\xC3\xA9\n"));
    EXPECT_EQ(mime->data("application/x-lorvane-tree-data"), QByteArray("\x01\x00\x00\x00\x7F", 5));
    EXPECT_EQ(object->renders, 2);
    EXPECT_EQ(ClipboardText(), "caf\xE9\r\n");
    EXPECT_EQ(ClipboardDataObject(), object) << "inside the program the object itself";
    EXPECT_EQ(ClipboardDataObject()->GetData(object->privateFormat), "private");

    // Another owner takes the clipboard: the object hears it once.
    auto* foreign = new QMimeData;
    foreign->setText(QString::fromUtf8("other \xE2\x82\xAC"));
    foreign->setData("application/x-lorvane-tree-data", QByteArray("\x02\x00", 2));
    foreign->setData("image/png", QByteArray("png"));
    clipboard->setMimeData(foreign);
    EXPECT_EQ(object->released, 1);
    const PDataObject copy = ClipboardDataObject();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Formats().size(), 2u) << "only the formats the program knows";
    EXPECT_EQ(copy->GetData(StandardFormatUnicodeText), "other \xE2\x82\xAC");
    EXPECT_EQ(copy->GetData(object->treeData), std::string("\x02\x00", 2));

    auto second = std::make_shared<CountingObject>();
    ASSERT_TRUE(SetClipboardDataObject(second));
    ClearClipboard();
    EXPECT_EQ(second->released, 1);
    EXPECT_EQ(object->released, 1);
    SetClipboardStore(nullptr);
}
