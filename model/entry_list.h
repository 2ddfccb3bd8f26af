// entry_list.h — lists in the shared layout: the operations on them, iteration, and EntryList, an owner for scopes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <utility>

#include <entry_layout.h>
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

// The operations on a list in the shared layout. A list made here belongs to the component that
// made it: the host only reads it. Its nodes come from blocks the list owns; its strings are
// blocks of the shared allocator, which a host may keep (taking a reference) after the list is gone.
namespace entry_list {
// How many nodes the next block of a list holds after one of previous nodes (0: the first
// block): small lists stay small, and a block never exceeds 64 KiB, below the size where
// allocators map fresh pages for each block (so a list emptied and refilled reuses its memory).
inline constexpr std::size_t kMaxNodeBlockBytes = 64 * 1024;
constexpr std::size_t node_block_capacity(std::size_t previous) noexcept {
    constexpr std::size_t most = (kMaxNodeBlockBytes - 4 * sizeof(void*)) / sizeof(EntryNode);
    std::size_t next = previous ? previous * 2 : 16;
    return next < most ? next : most;
}
// An empty list object with its sentinel. Throws std::bad_alloc, leaving nothing allocated.
EntryListObject* make();
// Appends a record; throws std::bad_alloc, leaving the list as it was.
void append(EntryListObject& list, NewRecord&& record);
// Releases every record's strings and the nodes' blocks; the list object and its sentinel stay.
void clear(EntryListObject& list) noexcept;
// Clears and frees a list object from make() (null is fine).
void destroy(EntryListObject* list) noexcept;
}  // namespace entry_list

// Owns a list object made by entry_list::make(), for code that keeps a list in a scope.
class EntryList {
public:
    EntryList() : object_(entry_list::make()) {}  // throws std::bad_alloc
    EntryList(const EntryList&) = delete;
    EntryList& operator=(const EntryList&) = delete;
    EntryList(EntryList&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
    ~EntryList() { entry_list::destroy(object_); }

    void append(NewRecord&& record) { entry_list::append(*object_, std::move(record)); }
    void clear() noexcept {
        if (object_) entry_list::clear(*object_);
    }
    std::uint32_t size() const noexcept { return object_ ? object_->count : 0; }
    RecordRange records() const noexcept { return RecordRange(object_); }
    RecordRange::iterator begin() const noexcept { return records().begin(); }
    RecordRange::iterator end() const noexcept { return records().end(); }

    EntryListObject* get() const noexcept { return object_; }
    EntryListObject& object() const noexcept { return *object_; }

private:
    EntryListObject* object_;
};

}  // namespace peltatxt
