// entry_list.cpp — making, appending to, clearing and destroying lists in the shared layout.
#include "entry_list.h"

#include <cstddef>
#include <cstring>
#include <new>

#include "memory.h"

namespace peltatxt::entry_list {
namespace {

// Nodes come from blocks the list owns: a list of n records costs about log2(n) allocations for
// its nodes instead of n, and clearing it frees a few blocks instead of every node. Only the
// strings, which a host may keep, are blocks of their own.
struct NodeBlock {
    NodeBlock* older;
    std::size_t used;
    std::size_t capacity;
    EntryNode* nodes() noexcept { return reinterpret_cast<EntryNode*>(this + 1); }
};
static_assert(sizeof(NodeBlock) % alignof(EntryNode) == 0);

// The list's sentinel and the blocks its nodes come from, newest first, in one allocation that
// list.sentinel points to.
struct ListHead {
    EntryNode sentinel;
    NodeBlock* blocks;
};
static_assert(offsetof(ListHead, sentinel) == 0);

ListHead& head_of(EntryListObject& list) noexcept { return *reinterpret_cast<ListHead*>(list.sentinel); }

EntryNode* new_node(ListHead& head) {
    NodeBlock* block = head.blocks;
    if (!block || block->used == block->capacity) {
        std::size_t capacity = node_block_capacity(block ? block->capacity : 0);
        auto* fresh = static_cast<NodeBlock*>(memory::allocate(sizeof(NodeBlock) + capacity * sizeof(EntryNode)));
        fresh->older = block;
        fresh->used = 0;
        fresh->capacity = capacity;
        head.blocks = block = fresh;
    }
    return block->nodes() + block->used++;
}

}  // namespace

EntryListObject* make() {
    auto* object = static_cast<EntryListObject*>(memory::allocate(sizeof(EntryListObject)));
    ListHead* head;
    try {
        head = static_cast<ListHead*>(memory::allocate(sizeof(ListHead)));
    } catch (...) {
        memory::release(object);
        throw;
    }
    std::memset(static_cast<void*>(head), 0, sizeof(ListHead));
    head->sentinel.next = head->sentinel.prev = &head->sentinel;
    std::memset(static_cast<void*>(object), 0, sizeof(EntryListObject));
    object->sentinel = &head->sentinel;
    return object;
}

void append(EntryListObject& list, NewRecord&& r) {
    EntryNode* node = new_node(head_of(list));
    std::memset(static_cast<void*>(node), 0, sizeof(EntryNode));
    EntryRecord& rec = node->record;
    rec.kind = r.kind;
    rec.letterCode = r.letterCode;
    rec.id = r.id;
    rec.parentId = r.parentId;
    rec.title = r.title.release();
    rec.data = r.data.release();
    rec.macro = r.macro.release();
    EntryNode* sentinel = list.sentinel;
    node->next = sentinel;
    node->prev = sentinel->prev;
    sentinel->prev->next = node;
    sentinel->prev = node;
    ++list.count;
}

void clear(EntryListObject& list) noexcept {
    ListHead& head = head_of(list);
    for (NodeBlock* block = head.blocks; block;) {
        EntryNode* nodes = block->nodes();
        for (std::size_t i = 0; i < block->used; ++i) {
            SharedString::release_handle(nodes[i].record.title);
            SharedString::release_handle(nodes[i].record.data);
            SharedString::release_handle(nodes[i].record.macro);
        }
        NodeBlock* older = block->older;
        memory::release(block);
        block = older;
    }
    head.blocks = nullptr;
    head.sentinel.next = head.sentinel.prev = &head.sentinel;
    list.count = 0;
}

void destroy(EntryListObject* list) noexcept {
    if (!list) return;
    clear(*list);
    memory::release(list->sentinel);
    memory::release(list);
}

}  // namespace peltatxt::entry_list
