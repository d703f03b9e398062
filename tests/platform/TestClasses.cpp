// String lists, components and streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

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
    l.Add(
        "\xBB"
        "work");
    l.Add("gamma");
    EXPECT_EQ(l.Add("ALPHA"), 0);  // ignored duplicate, found case-insensitively
    EXPECT_EQ(l.Count(), 4);
    EXPECT_EQ(l[0], "Alpha");
    EXPECT_EQ(l[3],
              "\xBB"
              "work");
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

TEST(TComponent, FreeNotificationTellsWhicheverStays) {
    struct Watcher : TComponent {
        std::vector<TComponent*> gone;
        void Notification(TComponent* c, TOperation op) override {
            if (op == opRemove) gone.push_back(c);
        }
    };
    Watcher watcher;
    auto* first = new TComponent;
    auto* second = new TComponent;
    first->FreeNotification(&watcher);
    first->FreeNotification(&watcher);  // once is enough
    second->FreeNotification(&watcher);
    second->RemoveFreeNotification(&watcher);
    delete first;
    delete second;
    EXPECT_EQ(watcher.gone, std::vector<TComponent*>{first});
    {
        TComponent stays;
        Watcher early;
        stays.FreeNotification(&early);
    }  // the watcher went first: the component no longer knows it
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
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.Memory()), 6),
              std::string("abc\x1A\0z", 6));
    EXPECT_THROW(TFileStream(dir.File("missing"), fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream(dir.File("no/such/dir/x"), fmCreate), EFCreateError);
}

TEST(TStringList, CustomSortIsStableAndSurvivesAnyComparison) {
    TStringList l{"b1", "a1", "b2", "a2", "c1"};
    l.CustomSort([](const TStringList& s, int x, int y) { return int(s[x][0]) - int(s[y][0]); });
    EXPECT_EQ(l.CommaText(), "a1,a2,b1,b2,c1");

    // A comparison that answers at random must still give back every item once.
    TStringList many;
    for (int i = 0; i < 500; ++i) many.Add(std::to_string(i));
    unsigned seed = 12345;
    many.CustomSort([&](const TStringList&, int, int) {
        seed = seed * 1103515245u + 12345u;
        return int(seed >> 16) % 3 - 1;
    });
    auto items = many.ToVector();
    std::sort(items.begin(), items.end(), [](const std::string& x, const std::string& y) {
        return std::stoi(x) < std::stoi(y);
    });
    ASSERT_EQ(items.size(), 500u);
    for (int i = 0; i < 500; ++i) EXPECT_EQ(items[size_t(i)], std::to_string(i));

    // A comparison that throws leaves the list as it was.
    TStringList kept{"z", "y", "x"};
    int calls = 0;
    EXPECT_THROW(kept.CustomSort([&](const TStringList&, int, int) -> int {
        if (++calls == 2) throw EListError("stop");
        return -1;
    }),
                 EListError);
    EXPECT_EQ(kept.CommaText(), "z,y,x");
}

TEST(TStringList, RefusedMovesAndBulkChangesLoseNothing) {
    TStringList l{"a", "b", "c"};
    EXPECT_THROW(l.Move(0, 3), EListError);
    EXPECT_THROW(l.Move(0, -1), EListError);
    EXPECT_EQ(l.CommaText(), "a,b,c");
    l.Move(2, 0);
    EXPECT_EQ(l.CommaText(), "c,a,b");
    l.Move(0, 2);
    EXPECT_EQ(l.CommaText(), "a,b,c");

    TStringList sorted{"a", "b", "c"};
    sorted.SetSorted(true);
    EXPECT_THROW(sorted.Move(0, 2), EListError);  // a sorted list refuses the insert
    EXPECT_EQ(sorted.CommaText(), "a,b,c");

    // A bulk change that fails part-way still ends its update, so later changes are announced.
    TStringList strict;
    strict.SetSorted(true);
    strict.Duplicates = TDuplicates::dupError;
    int changes = 0;
    strict.OnChange = [&](TObject*) { ++changes; };
    EXPECT_THROW(strict.SetText("x\ny\nx"), EListError);
    EXPECT_EQ(strict.UpdateCount(), 0);
    changes = 0;
    strict.Add("z");
    EXPECT_EQ(changes, 1);
}

TEST(TStrings, BasePutKeepsTheItemWhenTheInsertIsRefused) {
    // A minimal list with only the required operations, so TStrings' own Put runs.
    struct Refusing : TStrings {
        std::vector<std::string> v;
        bool refuse = false;
        int Count() const override { return int(v.size()); }
        std::string Get(int i) const override { return v.at(size_t(i)); }
        void Insert(int i, const std::string& s) override {
            if (refuse) throw EListError("refused");
            v.insert(v.begin() + i, s);
        }
        void Delete(int i) override { v.erase(v.begin() + i); }
        void Clear() override { v.clear(); }
    } l;
    l.Add("one");
    l.Add("two");
    l.Put(1, "TWO");
    EXPECT_EQ(l.Text(), "one\r\nTWO\r\n");
    l.refuse = true;
    EXPECT_THROW(l.Put(0, "ONE"), EListError);
    EXPECT_THROW(l.Put(2, "three"), EListError);
    EXPECT_EQ(l.Text(), "one\r\nTWO\r\n");
}

TEST(TComponent, AnEmptyNameFindsNothing) {
    TComponent form;
    auto* unnamed = new TComponent(&form);
    EXPECT_EQ(form.FindComponent(""), nullptr);
    unnamed->Name = "Edit1";
    EXPECT_EQ(form.FindComponent("EDIT1"), unnamed);
}

TEST(Streams, MemoryStreamSeekSaturatesAndRefusesUnknownOrigins) {
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    TMemoryStream m;
    m.WriteBuffer("abc", 3);
    EXPECT_EQ(m.Seek(1, soFromBeginning), 1);
    EXPECT_EQ(m.Seek(5, 7), -1);
    EXPECT_EQ(m.Position(), 1);
    EXPECT_EQ(m.Seek(kMax, soFromEnd), kMax);
    EXPECT_EQ(m.Seek(kMax, soFromCurrent), kMax);
    EXPECT_EQ(m.Seek(std::numeric_limits<int64_t>::min(), soFromCurrent), 0);
    // An end position past the 64-bit range: nothing moves, and the whole-write form says so.
    EXPECT_EQ(m.Seek(kMax - 1, soFromBeginning), kMax - 1);
    EXPECT_EQ(m.Write("xy", 2), 0);
    EXPECT_EQ(m.Seek(kMax, soFromBeginning), kMax);
    EXPECT_THROW(m.WriteBuffer("x", 1), EWriteError);
    EXPECT_EQ(m.Size(), 3);
    char c = 0;
    EXPECT_EQ(m.Read(&c, 1), 0);
}

TEST(Streams, MemoryStreamLoadKeepsItsContentWhenTheReadFails) {
    // A source that claims more bytes than it delivers.
    struct Short : TMemoryStream {
        int64_t GetSize() override { return TMemoryStream::GetSize() + 10; }
    } source;
    source.WriteBuffer("new", 3);
    TMemoryStream m;
    m.WriteBuffer("old", 3);
    EXPECT_THROW(m.LoadFromStream(source), EReadError);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.Memory()), size_t(m.Size())), "old");
    m.LoadFromStream(m);  // from itself
    EXPECT_EQ(m.Size(), 3);
    EXPECT_EQ(m.Position(), 0);
}

TEST(Streams, FileStreamRefusesUnknownOriginsAndNamesWithNul) {
    TempDir dir;
    std::string name = dir.File("plain.bin");
    TFileStream f(name, fmCreate);
    EXPECT_GE(f.Handle(), 0);
    f.WriteBuffer("abcdef", 6);
    EXPECT_EQ(f.Seek(2, soFromBeginning), 2);
    EXPECT_EQ(f.Seek(1, 9), -1);
    EXPECT_EQ(f.Position(), 2);
    // The name would be cut at the NUL and open "plain.bin" instead.
    EXPECT_THROW(TFileStream(name + std::string("\0.x", 3), fmCreate), EFCreateError);
    EXPECT_THROW(TFileStream(name + std::string("\0.x", 3), fmOpenRead), EFOpenError);
    EXPECT_EQ(f.Size(), 6);
}

TEST(Streams, SavesToFilesReplaceThemWholeOrNotAtAll) {
    TempDir dir;
    const std::string lines = dir.File("lines.txt"), bytes = dir.File("bytes.bin");
    TStringList list;
    list.Add("new");
    TMemoryStream memory;
    memory.WriteBuffer("new", 3);
    for (const std::string& name : {lines, bytes}) WriteFileAtomic(name, "old content");
    SafeWriteFaultSeam() = [](TSafeWriteStep step) {
        return step == TSafeWriteStep::Replace ? ENOSPC : 0;
    };
    EXPECT_THROW(list.SaveToFile(lines), EWriteError);
    EXPECT_THROW(memory.SaveToFile(bytes), EWriteError);
    SafeWriteFaultSeam() = nullptr;
    for (const std::string& name : {lines, bytes}) EXPECT_EQ(ReadFileBytes(name), "old content");
    list.SaveToFile(lines);
    memory.SaveToFile(bytes);
    EXPECT_EQ(ReadFileBytes(lines), "new\r\n");
    EXPECT_EQ(ReadFileBytes(bytes), "new");
    TStringList linesBack;
    linesBack.LoadFromFile(lines);
    EXPECT_EQ(linesBack.Text(), "new\r\n");
    TMemoryStream bytesBack;
    bytesBack.LoadFromFile(bytes);
    EXPECT_EQ(bytesBack.Bytes(), (std::vector<uint8_t>{'n', 'e', 'w'}));
}
