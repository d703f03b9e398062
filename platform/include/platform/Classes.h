// The component base and the string lists of the form library, as the system's code uses them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TStream;

class TObject {
public:
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* sender)>;

// A named object that owns the components created with it as owner and frees them with itself.
enum TOperation { opInsert, opRemove };

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner = nullptr);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return int(components_.size()); }
    TComponent* Component(int index) const { return components_.at(size_t(index)); }
    TComponent* FindComponent(std::string_view name) const;
    // Links this component and another so that whichever goes first tells the other through
    // its Notification(goer, opRemove): a component that keeps a pointer to this one asks for
    // it and clears the pointer there.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    std::string Name;
    int Tag = 0;

protected:
    virtual void Notification(TComponent* /*component*/, TOperation /*operation*/) {}

private:
    void Remove(TComponent* child);
    void Unlink(TComponent* component);
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

// A list of texts, each with an associated pointer. Indices are 0-based; a bad index raises
// EListError "List index out of bounds (%d)".
class TStrings : public TObject {
public:
    ~TStrings() override = default;

    virtual int Count() const = 0;
    virtual std::string Get(int index) const = 0;
    virtual void Put(int index, const std::string& s);
    virtual void* GetObject(int index) const;
    virtual void PutObject(int index, void* object);
    virtual void Insert(int index, const std::string& s) = 0;
    virtual void InsertObject(int index, const std::string& s, void* object);
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    virtual int Add(const std::string& s);
    virtual int AddObject(const std::string& s, void* object);
    virtual int IndexOf(std::string_view s) const;  // by CompareText
    virtual void BeginUpdate();
    virtual void EndUpdate();

    std::string operator[](int index) const { return Get(index); }
    std::string Strings(int index) const { return Get(index); }
    void* Objects(int index) const { return GetObject(index); }
    int IndexOfObject(const void* object) const;
    void Move(int from, int to);
    void AddStrings(const TStrings& other);
    void Assign(const TStrings& other);
    bool Empty() const { return Count() == 0; }
    int UpdateCount() const { return updateCount_; }

    // Name=Value pairs.
    std::string Names(int index) const;
    std::string ValueFromIndex(int index) const;
    int IndexOfName(std::string_view name) const;
    std::string Values(std::string_view name) const;
    void SetValue(std::string_view name, const std::string& value);

    // The lines joined, each ending in CR LF; setting splits at CR LF, CR or LF.
    std::string Text() const;
    void SetText(std::string_view text);
    // Items separated by commas, quoted with '"' where they hold blanks, commas or quotes.
    std::string CommaText() const;
    void SetCommaText(std::string_view text);

    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;

    std::vector<std::string> ToVector() const;

protected:
    virtual void SetUpdateState(bool /*updating*/) {}
    [[noreturn]] static void RaiseIndexError(int index);

private:
    int updateCount_ = 0;
};

class TStringList : public TStrings {
public:
    TStringList() = default;
    TStringList(std::initializer_list<std::string> items);

    int Count() const override { return int(items_.size()); }
    std::string Get(int index) const override;
    void Put(int index, const std::string& s) override;
    void* GetObject(int index) const override;
    void PutObject(int index, void* object) override;
    void Insert(int index, const std::string& s) override;
    void InsertObject(int index, const std::string& s, void* object) override;
    void Delete(int index) override;
    void Clear() override;
    int AddObject(const std::string& s, void* object) override;
    int IndexOf(std::string_view s) const override;

    // Binary search of a sorted list; Index is where s is or would be inserted.
    bool Find(std::string_view s, int& index) const;
    void Sort();
    void CustomSort(const std::function<int(const TStringList&, int, int)>& compare);

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    TDuplicates Duplicates = TDuplicates::dupIgnore;

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    int CompareStrings(std::string_view a, std::string_view b) const;
    void SetUpdateState(bool updating) override;
    void Changed();
    void Changing();

private:
    struct Item {
        std::string text;
        void* object = nullptr;
    };
    std::vector<Item> items_;
    bool sorted_ = false;
};
