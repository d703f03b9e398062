// Components and string lists.
#include "platform/Classes.h"

#include <algorithm>

#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/Streams.h"
#include "platform/SysUtils.h"

// ---- TComponent ----

TComponent::TComponent(TComponent* owner) : owner_(owner) {
    if (owner_) owner_->components_.push_back(this);
}

TComponent::~TComponent() {
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        other->Unlink(this);
        other->Notification(this, opRemove);
    }
    // Children first, last created first; each unhooks itself from this list.
    while (!components_.empty()) delete components_.back();
    if (owner_) owner_->Remove(this);
}

void TComponent::Remove(TComponent* child) {
    auto it = std::find(components_.begin(), components_.end(), child);
    if (it != components_.end()) components_.erase(it);
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) != freeNotifies_.end())
        return;
    freeNotifies_.push_back(component);
    component->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    if (!component) return;
    Unlink(component);
    component->Unlink(this);
}

void TComponent::Unlink(TComponent* component) {
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component),
                        freeNotifies_.end());
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    // An empty name would otherwise find the first unnamed component.
    if (name.empty()) return nullptr;
    for (auto* c : components_)
        if (SameText(c->Name, name)) return c;
    return nullptr;
}

// ---- TStrings ----

namespace {
// Pairs BeginUpdate with EndUpdate even when the work between them throws, so a failed bulk
// change does not leave the list silent for good.
class UpdateScope {
public:
    explicit UpdateScope(TStrings& list) : list_(list) { list_.BeginUpdate(); }
    ~UpdateScope() { list_.EndUpdate(); }
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

private:
    TStrings& list_;
};
}  // namespace

void TStrings::RaiseIndexError(int index) {
    throw EListError(FormatMsg("List index out of bounds (%d)", {index}));
}

void TStrings::Put(int index, const std::string& s) {
    // Insert before deleting: a list that refuses the insert then keeps the old item.
    if (index < 0 || index >= Count()) RaiseIndexError(index);
    void* obj = GetObject(index);
    UpdateScope update(*this);
    InsertObject(index, s, obj);
    Delete(index + 1);
}

void* TStrings::GetObject(int) const {
    return nullptr;
}
void TStrings::PutObject(int, void*) {}

void TStrings::InsertObject(int index, const std::string& s, void* object) {
    Insert(index, s);
    PutObject(index, object);
}

int TStrings::Add(const std::string& s) {
    return AddObject(s, nullptr);
}

int TStrings::AddObject(const std::string& s, void* object) {
    int index = Count();
    InsertObject(index, s, object);
    return index;
}

int TStrings::IndexOf(std::string_view s) const {
    for (int i = 0, n = Count(); i < n; ++i)
        if (CompareText(Get(i), s) == 0) return i;
    return -1;
}

int TStrings::IndexOfObject(const void* object) const {
    for (int i = 0, n = Count(); i < n; ++i)
        if (GetObject(i) == object) return i;
    return -1;
}

void TStrings::Move(int from, int to) {
    if (from == to) return;
    std::string s = Get(from);
    void* o = GetObject(from);
    if (to < 0 || to >= Count()) RaiseIndexError(to);
    // The copy goes in first, so an insert the list refuses (a sorted list) loses nothing.
    UpdateScope update(*this);
    if (from < to) {
        InsertObject(to + 1, s, o);
        Delete(from);
    } else {
        InsertObject(to, s, o);
        Delete(from + 1);
    }
}

void TStrings::BeginUpdate() {
    if (updateCount_++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) SetUpdateState(false);
}

void TStrings::AddStrings(const TStrings& other) {
    UpdateScope update(*this);
    for (int i = 0, n = other.Count(); i < n; ++i) AddObject(other.Get(i), other.GetObject(i));
}

void TStrings::Assign(const TStrings& other) {
    if (&other == this) return;
    UpdateScope update(*this);
    Clear();
    AddStrings(other);
}

std::string TStrings::Names(int index) const {
    std::string s = Get(index);
    size_t eq = s.find('=');
    return eq == std::string::npos ? std::string() : s.substr(0, eq);
}

std::string TStrings::ValueFromIndex(int index) const {
    std::string s = Get(index);
    size_t eq = s.find('=');
    return eq == std::string::npos ? std::string() : s.substr(eq + 1);
}

int TStrings::IndexOfName(std::string_view name) const {
    for (int i = 0, n = Count(); i < n; ++i) {
        std::string s = Get(i);
        size_t eq = s.find('=');
        if (eq != std::string::npos && CompareText(std::string_view(s).substr(0, eq), name) == 0)
            return i;
    }
    return -1;
}

std::string TStrings::Values(std::string_view name) const {
    int i = IndexOfName(name);
    return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValue(std::string_view name, const std::string& value) {
    int i = IndexOfName(name);
    if (value.empty()) {
        if (i >= 0) Delete(i);
        return;
    }
    std::string line = std::string(name) + "=" + value;
    if (i >= 0)
        Put(i, line);
    else
        Add(line);
}

std::string TStrings::Text() const {
    std::string out;
    for (int i = 0, n = Count(); i < n; ++i) {
        out += Get(i);
        out += "\r\n";
    }
    return out;
}

void TStrings::SetText(std::string_view text) {
    UpdateScope update(*this);
    Clear();
    for (auto& line : SplitLines(text)) Add(line);
}

std::string TStrings::CommaText() const {
    std::string out;
    for (int i = 0, n = Count(); i < n; ++i) {
        if (i) out += ',';
        std::string s = Get(i);
        bool quote = s.empty() && n == 1;
        for (unsigned char c : s)
            if (c <= ' ' || c == ',' || c == '"') quote = true;
        if (!quote) {
            out += s;
            continue;
        }
        out += '"';
        for (char c : s) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
    }
    return out;
}

void TStrings::SetCommaText(std::string_view text) {
    UpdateScope update(*this);
    Clear();
    size_t i = 0, n = text.size();
    auto skipBlanks = [&] {
        while (i < n && static_cast<unsigned char>(text[i]) <= ' ') ++i;
    };
    skipBlanks();
    while (i < n) {
        std::string item;
        if (text[i] == '"') {
            ++i;
            while (i < n) {
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        item += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            while (i<n&& static_cast<unsigned char>(text[i])> ' ' && text[i] != ',')
                item += text[i++];
        }
        Add(item);
        skipBlanks();
        if (i < n && text[i] == ',') {
            ++i;
            skipBlanks();
            if (i >= n) Add("");
        }
    }
}

void TStrings::LoadFromFile(const std::string& fileName) {
    SetText(ReadFileBytes(fileName));
}

void TStrings::SaveToFile(const std::string& fileName) const {
    // Replaced whole: a failed or interrupted save leaves the previous file.
    WriteFileAtomic(fileName, Text(), 0666);
}

void TStrings::LoadFromStream(TStream& stream) {
    int64_t size = stream.Size() - stream.Position();
    std::string bytes(size_t(std::max<int64_t>(size, 0)), '\0');
    if (!bytes.empty()) {
        int64_t got = stream.Read(bytes.data(), int64_t(bytes.size()));
        bytes.resize(size_t(std::max<int64_t>(got, 0)));
    }
    SetText(bytes);
}

void TStrings::SaveToStream(TStream& stream) const {
    std::string t = Text();
    stream.WriteBuffer(t.data(), int64_t(t.size()));
}

std::vector<std::string> TStrings::ToVector() const {
    std::vector<std::string> out;
    out.reserve(size_t(Count()));
    for (int i = 0, n = Count(); i < n; ++i) out.push_back(Get(i));
    return out;
}

// ---- TStringList ----

TStringList::TStringList(std::initializer_list<std::string> items) {
    for (const auto& s : items) Add(s);
}

std::string TStringList::Get(int index) const {
    if (index < 0 || index >= Count()) RaiseIndexError(index);
    return items_[size_t(index)].text;
}

void TStringList::Put(int index, const std::string& s) {
    if (sorted_) throw EListError("Operation not allowed on sorted list");
    if (index < 0 || index >= Count()) RaiseIndexError(index);
    Changing();
    items_[size_t(index)].text = s;
    Changed();
}

void* TStringList::GetObject(int index) const {
    if (index < 0 || index >= Count()) RaiseIndexError(index);
    return items_[size_t(index)].object;
}

void TStringList::PutObject(int index, void* object) {
    if (index < 0 || index >= Count()) RaiseIndexError(index);
    Changing();
    items_[size_t(index)].object = object;
    Changed();
}

void TStringList::Insert(int index, const std::string& s) {
    InsertObject(index, s, nullptr);
}

void TStringList::InsertObject(int index, const std::string& s, void* object) {
    if (sorted_) throw EListError("Operation not allowed on sorted list");
    if (index < 0 || index > Count()) RaiseIndexError(index);
    Changing();
    items_.insert(items_.begin() + index, Item{s, object});
    Changed();
}

void TStringList::Delete(int index) {
    if (index < 0 || index >= Count()) RaiseIndexError(index);
    Changing();
    items_.erase(items_.begin() + index);
    Changed();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    Changing();
    items_.clear();
    Changed();
}

int TStringList::AddObject(const std::string& s, void* object) {
    int index;
    if (!sorted_) {
        index = Count();
    } else if (Find(s, index)) {
        switch (Duplicates) {
            case TDuplicates::dupIgnore:
                return index;
            case TDuplicates::dupError:
                throw EListError("String list does not allow duplicates");
            case TDuplicates::dupAccept:
                break;
        }
    }
    Changing();
    items_.insert(items_.begin() + index, Item{s, object});
    Changed();
    return index;
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
    return CompareText(a, b);
}

int TStringList::IndexOf(std::string_view s) const {
    if (!sorted_) {
        for (int i = 0, n = Count(); i < n; ++i)
            if (CompareStrings(items_[size_t(i)].text, s) == 0) return i;
        return -1;
    }
    int index;
    return Find(s, index) ? index : -1;
}

bool TStringList::Find(std::string_view s, int& index) const {
    // Leftmost match, so duplicates accepted into a sorted list are found from their first.
    int lo = 0, hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        int mid = lo + (hi - lo) / 2;
        int c = CompareStrings(items_[size_t(mid)].text, s);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) found = true;
        }
    }
    index = lo;
    return found;
}

void TStringList::Sort() {
    Changing();
    std::stable_sort(items_.begin(), items_.end(), [this](const Item& x, const Item& y) {
        return CompareStrings(x.text, y.text) < 0;
    });
    Changed();
}

void TStringList::CustomSort(const std::function<int(const TStringList&, int, int)>& compare) {
    // A stable bottom-up merge sort of positions with the caller's comparison, then applied.
    // Written out rather than left to the standard sorts: those may read out of range when a
    // comparison is inconsistent, whereas every merge step here stays within its runs, so any
    // answers give a permutation. A comparison that throws leaves the list as it was.
    const size_t n = items_.size();
    std::vector<int> order(n), merged(n);
    for (size_t i = 0; i < n; ++i) order[i] = int(i);
    for (size_t width = 1; width < n; width *= 2) {
        for (size_t lo = 0; lo < n; lo += 2 * width) {
            size_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
            size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi)
                merged[k++] = compare(*this, order[j], order[i]) < 0 ? order[j++] : order[i++];
            while (i < mid) merged[k++] = order[i++];
            while (j < hi) merged[k++] = order[j++];
        }
        order.swap(merged);
    }
    std::vector<Item> sortedItems;
    sortedItems.reserve(items_.size());
    for (int i : order) sortedItems.push_back(std::move(items_[size_t(i)]));
    Changing();
    items_ = std::move(sortedItems);
    Changed();
}

void TStringList::SetSorted(bool sorted) {
    if (sorted == sorted_) return;
    if (sorted) Sort();
    sorted_ = sorted;
}

void TStringList::SetUpdateState(bool updating) {
    if (updating) {
        if (OnChanging) OnChanging(this);
    } else {
        if (OnChange) OnChange(this);
    }
}

void TStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
    if (UpdateCount() == 0 && OnChange) OnChange(this);
}
