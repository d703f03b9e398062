// The bank in memory: entries, the application's bank state, sort order, category paths and guards.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "FixedStr.h"
#include "platform/DateTime.h"

struct TVirtualNode;
using PVirtualNode = TVirtualNode*;
struct TAppSeams;

// Marks the names and categories that come from the workgroup bank ("»").
inline constexpr char WorkgroupMarker = '\xBB';

inline bool HasWorkgroupMarker(std::string_view s) {
    return !s.empty() && s.front() == WorkgroupMarker;
}
// The text without one leading marker, when it has one.
inline std::string_view StripWorkgroupMarker(std::string_view s) {
    return HasWorkgroupMarker(s) ? s.substr(1) : s;
}

// One bank entry.
struct TEntry {
    std::string Name;  // a leading marker makes it a workgroup entry
    std::string Description;
    FixedStr<3> Rating;
    FixedStr<25> UserID;
    FixedStr<15> Password;
    std::string EMail;
    std::string ConfNotes;
    TDateTime ChangeDate = NoDate;
    TDateTime LastAccess = NoDate;
    int32_t AccessCount = 0;
    std::string URL;       // "None" counts as no URL
    FixedStr<1> Favorite;  // "»" puts the entry into the Favorites group
    std::string Category1;
    std::string Category2;
    std::string Category3;
    std::string Notes;
    int32_t TreeIndex = -1;  // row in the fully expanded tree, -1 = none
    PVirtualNode Node = nullptr;

    bool IsWorkgroup() const { return HasWorkgroupMarker(Name); }
    bool IsFavorite() const { return !Favorite.empty(); }
    // Copies the stored fields (all but TreeIndex and Node) from another entry.
    void AssignFields(const TEntry& from);

    friend bool operator==(const TEntry&, const TEntry&) = default;
};

// A category triple, each value trimmed. Paths order by each value padded to 50 columns with
// blanks and compared ignoring ASCII case, value by value; values may be longer than 50.
struct TCategoryPath {
    std::string C1;
    std::string C2;
    std::string C3;
};
int ComparePaddedCategory(std::string_view a, std::string_view b);
int CompareCategoryPaths(const TCategoryPath& a, const TCategoryPath& b);
struct TCategoryPathLess {
    bool operator()(const TCategoryPath& a, const TCategoryPath& b) const {
        return CompareCategoryPaths(a, b) < 0;
    }
};
// Sorted, without duplicates (duplicates ignore ASCII case).
using TCategoryList = std::set<TCategoryPath, TCategoryPathLess>;

// The main tree's per-node record.
struct TTreeNodeData {
    int32_t EntryIndex = 0;
    int32_t Kind = 0;
    bool Workgroup = false;
};

enum TNodeKind : int32_t {
    nkCategory1 = 1,
    nkCategory2 = 2,
    nkCategory3 = 3,
    nkEntry = 4,
    nkFavorites = 8,
    nkNoCategories = 9,
};

// The captions of the two groups at the tree's root.
inline constexpr std::string_view FavoritesCaption = "Favorites";
inline constexpr std::string_view NoCategoriesCaption = "No Catgories";

// What a save writes and as which kind of bank it writes the file.
struct TSaveScope {
    enum TWhat : uint8_t {
        swLocal,      // the entries without the marker
        swWorkgroup,  // the entries with the marker
        swAll,        // every entry
    } What = swLocal;
    bool AsWorkgroup = false;  // written as a workgroup bank, else as a local one

    bool AsLocal() const { return !AsWorkgroup; }
    bool Writes(const TEntry& entry) const {
        return What == swAll || (What == swWorkgroup) == entry.IsWorkgroup();
    }
    // The entries of the file's own kind are all in it, so that kind counts as saved.
    bool SavesOwnKind() const { return What == swAll || (What == swWorkgroup) == AsWorkgroup; }
    friend bool operator==(const TSaveScope&, const TSaveScope&) = default;
};

// A bank's seams, which stay with their bank: a copy of a bank has none (it runs headless, so
// a copy of the program's bank cannot enable its Save), and a bank assigned another keeps its
// own (Bank() = bank leaves the program's bank on the program's seams).
class TBankSeams {
public:
    TBankSeams() = default;
    TBankSeams(const TBankSeams&) noexcept {}
    TBankSeams& operator=(const TBankSeams&) noexcept { return *this; }
    // Gives the bank these seams (nullptr: none).
    TBankSeams& operator=(const TAppSeams* seams) noexcept {
        seams_ = seams;
        return *this;
    }
    const TAppSeams* get() const { return seams_; }

private:
    const TAppSeams* seams_ = nullptr;
};

// Everything the application knows about the open bank. The program has one (Bank()), which the
// windows hand to the functions here and to the commands; these read and change its members
// directly.
struct TBankState {
    // The windows' side of this bank, the one way from a function handed the bank to the
    // windows: its changes enable saving, and the tree rebuild, the entry editor, the focus,
    // the guards' New and the imports go through it. Bank() carries the program's seams; a
    // bank without runs headless.
    TBankSeams Seams;

    // Entries[0..EntryHigh] are the bank; slots beyond EntryHigh mean nothing.
    std::vector<TEntry> Entries;
    int32_t EntryHigh = -1;       // -1: no bank open, or an empty one
    TEntry EditEntry;             // the transfer record of the editor, drops and captures
    TCategoryList CategoryPaths;  // refilled by every tree rebuild
    TCategoryList CategoryKeys;   // filled for the export-by-category dialogs
    int32_t FocusedEntry = -1;
    int32_t FindIndex = -1;
    int32_t ModifiedEntry = -1;      // the entry Modify shows in the editor; -1 while adding
    bool BankModified = false;       // a local entry changed
    bool WorkgroupModified = false;  // a workgroup entry changed
    bool IsAdministrator = false;
    bool NewBank = false;  // a new bank counts as open while empty
    std::string BankFileName;
    std::string BankCaption;
    std::string ProgramFolder;  // with a trailing delimiter

    // The bank file's state.
    std::string BankFolder;          // folder of the bank last read or written, trailing "/"
    std::string FilePassword;        // the password of the last protected bank read
    bool DuplicatesRenamed = false;  // an import renamed a duplicate name
    int64_t WorkgroupFileTime = 0;   // FileStamp of the workgroup bank when loaded or saved

    // The save scope, set before each save: what to write and as which kind of bank.
    TSaveScope SaveScope;

    int Count() const { return EntryHigh + 1; }
    TEntry& Entry(int index) { return Entries.at(size_t(index)); }
    const TEntry& Entry(int index) const { return Entries.at(size_t(index)); }
    // Appends after EntryHigh and returns the new index.
    int AppendEntry(const TEntry& entry);
    // Drops every entry above newHigh.
    void TruncateEntries(int newHigh);
    // Every change of the bank goes through here: sets the modified flag that belongs to the
    // entry's name (an empty name is local) and enables the Save commands of the bank's seams.
    void MarkModified(std::string_view name);
    // The bank's seams, or the headless ones when it has none.
    const TAppSeams& SeamsOrHeadless() const;
};

// The program's bank, for the windows and the commands' entry points; it carries Seams().
TBankState& Bank();
// Back to the state of a freshly started program (tests, and the main window at creation).
void ResetBank();

// Texts compared as the interleaved tree groups them: ASCII case folded, one leading marker
// ignored.
int CompareIgnoringMarker(std::string_view a, std::string_view b);

// Resets an entry (the bank's EditEntry before the editor opens).
void ClearEntry(TEntry& entry);

// The entry's trimmed categories. For a non-administrator, one leading marker is removed
// from each value where it has one when Category1 carries the marker.
TCategoryPath CategoryPathOf(const TEntry& entry, bool stripMarkers);
// Adds the entry's path to the bank's CategoryPaths; nothing when Category1 is empty.
void AddCategoryPath(TBankState& bank, const TEntry& entry);
// Adds every entry's key to CategoryKeys (non-administrators skip workgroup entries).
void BuildCategoryKeys(TBankState& bank);

// Items for the category combo boxes, in the bank's CategoryPaths order without repeats.
std::vector<std::string> FillCategory1Choices(const TBankState& bank);
std::vector<std::string> FillCategory2Choices(const TBankState& bank, std::string_view Category1);
std::vector<std::string> FillCategory3Choices(const TBankState& bank, std::string_view Category1,
                                              std::string_view Category2);

// The bank's names for fast lookups while many entries are added (imports, merges). A name is
// read as a stem with a number of "_" in front (behind a leading workgroup marker, when it has
// one). The stems' bytes lie one after another in one buffer, each once, and an open-addressed
// table of their hashes points into it, holding with each stem the numbers of "_" taken, as
// runs. A lookup touches a slot and the stem's bytes, whatever the bank's size; the copies of a
// name share its stem, so the next free copy is found without trying the ones before it.
class TNameIndex {
public:
    TNameIndex() = default;
    explicit TNameIndex(const TBankState& bank);
    bool Contains(std::string_view name) const;
    void Add(std::string_view name) { Insert(name); }
    // Adds the name unless it is there; true when it was added.
    bool Insert(std::string_view name);
    // Room for `count` names in all.
    void Reserve(size_t count);
    // The name with "_" inserted at `at` until it is new, then added; `renamed` is set when it
    // had to change (and left alone otherwise). `at` is 0, or 1 behind a workgroup marker.
    std::string UniqueName(std::string name, size_t at, bool& renamed);

private:
    // A name taken apart: the stem after the marker and the "_", and how many "_" there are.
    struct TParts {
        bool marked = false;
        size_t underscores = 0;
        std::string_view stem;
    };
    struct TSlot {
        uint32_t hash = 0;
        uint32_t offset = 0;  // of the stem in bytes_
        uint32_t length = 0;  // of the stem, with MarkedStem for a stem behind the marker
        // The numbers of "_" taken: [from, to); with to == InRuns, runs_[from] holds them.
        uint32_t from = 0;
        uint32_t to = 0;  // 0: a free slot
    };
    static constexpr uint32_t MarkedStem = 0x80000000u;
    static constexpr uint32_t InRuns = 0xFFFFFFFFu;
    using TRuns = std::vector<std::pair<uint32_t, uint32_t>>;  // [first, end), ascending

    TParts Split(std::string_view name) const;
    uint32_t HashOf(const TParts& parts) const;
    // The slot holding the stem, or the free slot where it would go.
    size_t Find(const TParts& parts, uint32_t hash) const;
    // The slot of the stem, made when it is new.
    TSlot& StemSlot(const TParts& parts);
    bool Has(const TSlot& slot, size_t n) const;
    // The least number of "_" from `n` on that the stem's names do not take.
    size_t FirstFree(const TSlot& slot, size_t n) const;
    // Takes a free number.
    void Take(TSlot& slot, size_t n);
    void Grow(size_t slots);
    std::vector<TSlot> slots_;
    std::string bytes_;
    // The numbers of "_" of the stems whose numbers are not one run (few are).
    std::vector<TRuns> runs_;
    size_t count_ = 0;  // stems
};

// Focuses the entry of that name (FocusedEntry, and the bank's seams' FocusEntryNode): an exact
// match first, else one ignoring ASCII case; nothing when there is none. Returns the index or -1.
int SelectEntryNode(TBankState& bank, std::string_view name);

// Runs the entry editor of the bank's seams (mode 0: focus on the URL, 1: on the name) and
// appends the bank's EditEntry on OK. Returns true when an entry was added.
bool AddEntry(TBankState& bank, int Mode);

// Guards of the commands, with their messages. RequireBank is true when a bank is open, or
// when the user asked for a new one and the New of the bank's seams made it.
bool CheckBankOpen(const TBankState& bank);
bool RequireBank(const TBankState& bank);
void ShowAdminOnly();
