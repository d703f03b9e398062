// String lists, components and streams.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "platform/Classes.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/Streams.h"

TEST(TStringList, SortedListsKeepOrderAndApplyTheDuplicatesRule) {
    TStringList l;
    l.SetSorted(true);
    l.Add("beta");
    l.Add("Alpha");
    l.Add("\xBB" "work");
    l.Add("gamma");
    EXPECT_EQ(l.Add("ALPHA"), 0);  // ignored duplicate, found case-insensitively
    EXPECT_EQ(l.Count(), 4);
    EXPECT_EQ(l[0], "Alpha");
    EXPECT_EQ(l[3], "\xBB" "work");
    int index = -1;
    EXPECT_FALSE(l.Find("delta", index));
    EXPECT_EQ(index, 2);
    l.Duplicates = TDuplicates::dupError;
    EXPECT_THROW(l.Add("beta"), EListError);
    l.Duplicates = TDuplicates::dupAccept;
    l.Add("beta");
    EXPECT_EQ(l.Count(), 5);
    EXPECT_TRUE(l.Find("BETA", index));
    EXPECT_EQ(index, 1);
    EXPECT_THROW(l.Insert(0, "x"), EListError);
}

TEST(TStringList, IndexErrorsAndObjects) {
    TStringList l{"a", "b"};
    int tag = 0;
    l.PutObject(1, &tag);
    EXPECT_EQ(l.Objects(1), &tag);
    EXPECT_EQ(l.IndexOfObject(&tag), 1);
    try {
        l.Get(2);
        FAIL();
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message, "List index out of bounds (2)");
    }
    l.Move(0, 1);
    EXPECT_EQ(l.Text(), "b\r\na\r\n");
    EXPECT_EQ(l.Objects(0), &tag);
}

TEST(TStringList, TextSplitsEveryBreakAndValuesWork) {
    TStringList l;
    l.SetText("one\r\ntwo\rthree\n\nfive");
    EXPECT_EQ(l.Count(), 5);
    EXPECT_EQ(l[3], "");
    EXPECT_EQ(l[4], "five");
    l.Clear();
    l.SetValue("Key", "v1");
    l.SetValue("key", "v2");
    EXPECT_EQ(l.Count(), 1);
    EXPECT_EQ(l.Values("KEY"), "v2");
    l.SetCommaText("a, \"b c\",\"d\"\"e\",");
    ASSERT_EQ(l.Count(), 4);
    EXPECT_EQ(l[1], "b c");
    EXPECT_EQ(l[2], "d\"e");
    EXPECT_EQ(l.CommaText(), "a,\"b c\",\"d\"\"e\",");
}

TEST(TStringList, ChangeEventsFireOncePerUpdate) {
    TStringList l;
    int changes = 0;
    l.OnChange = [&](TObject*) { ++changes; };
    l.Add("x");
    EXPECT_EQ(changes, 1);
    l.BeginUpdate();
    l.Add("y");
    l.Add("z");
    l.EndUpdate();
    EXPECT_EQ(changes, 2);
}

TEST(TComponent, OwnerFreesItsComponents) {
    static int alive = 0;
    struct Counted : TComponent {
        explicit Counted(TComponent* o) : TComponent(o) { ++alive; }
        ~Counted() override { --alive; }
    };
    {
        TComponent form;
        auto* a = new Counted(&form);
        a->Name = "OkButton";
        new Counted(a);
        delete new Counted(&form);
        EXPECT_EQ(alive, 2);
        EXPECT_EQ(form.FindComponent("okbutton"), a);
        EXPECT_EQ(form.ComponentCount(), 1);
    }
    EXPECT_EQ(alive, 0);
}

TEST(Streams, MemoryStreamSeeksClampAndGrow) {
    TMemoryStream m;
    m.WriteBuffer("hello", 5);
    EXPECT_EQ(m.Seek(-10, soFromCurrent), 0);
    char buf[8] = {};
    EXPECT_EQ(m.Read(buf, 8), 5);
    EXPECT_EQ(std::string(buf, 5), "hello");
    m.SetSize(2);
    EXPECT_EQ(m.Position(), 2);
    EXPECT_THROW(m.ReadBuffer(buf, 1), EReadError);
}

TEST(Streams, FileStreamRoundTripAndErrors) {
    TempDir dir;
    std::string name = dir.File("caf\xE9.bin");  // a Windows-1252 name
    {
        TFileStream f(name, fmCreate);
        f.WriteBuffer("abc\x1A\0z", 6);
        f.Sync();
    }
    EXPECT_TRUE(FileExists(name));
    TFileStream f(name, fmOpenRead);
    EXPECT_EQ(f.Size(), 6);
    TMemoryStream m;
    m.CopyFrom(f, 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.Memory()), 6), std::string("abc\x1A\0z", 6));
    EXPECT_THROW(TFileStream(dir.File("missing"), fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream(dir.File("no/such/dir/x"), fmCreate), EFCreateError);
}
