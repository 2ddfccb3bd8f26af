// entry_list.h — EntryList: owner of a list in the shared layout, and iteration over any such list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "plugin/entry_layout.h"
#include "shared_string.h"

namespace peltatxt {

inline constexpr int32_t kNoParent = -1;

// Forward iteration over the records of a list in the shared layout, owned by anyone. A null
// list or sentinel iterates as empty.
class RecordRange {
public:
    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = EntryRecord;
        using difference_type = std::ptrdiff_t;
        using pointer = const EntryRecord*;
        using reference = const EntryRecord&;

        iterator() = default;
        explicit iterator(const EntryNode* node) : node_(node) {}
        reference operator*() const { return node_->record; }
        pointer operator->() const { return &node_->record; }
        iterator& operator++() {
            node_ = node_->next;
            return *this;
        }
        iterator operator++(int) {
            iterator old = *this;
            ++*this;
            return old;
        }
        friend bool operator==(const iterator&, const iterator&) = default;

    private:
        const EntryNode* node_ = nullptr;
    };

    explicit RecordRange(const EntryListObject* list) noexcept
        : sentinel_(list ? list->sentinel : nullptr) {}
    iterator begin() const noexcept { return iterator(sentinel_ && sentinel_->next ? sentinel_->next : sentinel_); }
    iterator end() const noexcept { return iterator(sentinel_); }

private:
    const EntryNode* sentinel_;
};

// The fields of one record to append; the strings are moved into the list.
struct NewRecord {
    uint8_t kind = 0;
    int8_t letterCode = 0;
    int32_t id = 0;
    int32_t parentId = kNoParent;
    SharedString title, data, macro;
};

// Owns a list object, its sentinel and its nodes, all from the shared allocator.
class EntryList {
public:
    EntryList();  // throws std::bad_alloc
    EntryList(const EntryList&) = delete;
    EntryList& operator=(const EntryList&) = delete;
    ~EntryList() { destroy(object_); }

    // Takes over a list object that an EntryList gave away with release().
    static EntryList adopt(EntryListObject* object) noexcept { return EntryList(object); }
    EntryList(EntryList&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }

    void append(NewRecord&& record);  // throws std::bad_alloc, leaving the list as it was
    void clear() noexcept;
    std::uint32_t size() const noexcept { return object_ ? object_->count : 0; }
    RecordRange records() const noexcept { return RecordRange(object_); }
    RecordRange::iterator begin() const noexcept { return records().begin(); }
    RecordRange::iterator end() const noexcept { return records().end(); }

    EntryListObject* get() const noexcept { return object_; }
    EntryListObject* release() noexcept {
        EntryListObject* o = object_;
        object_ = nullptr;
        return o;
    }
    // Clears and frees a list object made by EntryList (null is fine).
    static void destroy(EntryListObject* object) noexcept;

private:
    explicit EntryList(EntryListObject* object) noexcept : object_(object) {}
    EntryListObject* object_;
};

}  // namespace peltatxt
