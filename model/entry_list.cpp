// entry_list.cpp — making, appending to, clearing and destroying lists in the shared layout.
#include "entry_list.h"

#include <cstring>
#include <new>

#include "memory.h"

namespace peltatxt::entry_list {

EntryListObject* make() {
    auto* object = static_cast<EntryListObject*>(memory::allocate(sizeof(EntryListObject)));
    EntryNode* sentinel;
    try {
        sentinel = static_cast<EntryNode*>(memory::allocate(sizeof(EntryNode)));
    } catch (...) {
        memory::release(object);
        throw;
    }
    std::memset(static_cast<void*>(sentinel), 0, sizeof(EntryNode));
    sentinel->next = sentinel->prev = sentinel;
    std::memset(static_cast<void*>(object), 0, sizeof(EntryListObject));
    object->sentinel = sentinel;
    return object;
}

void append(EntryListObject& list, NewRecord&& r) {
    auto* node = static_cast<EntryNode*>(memory::allocate(sizeof(EntryNode)));
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
    EntryNode* sentinel = list.sentinel;
    EntryNode* node = sentinel->next;
    while (node != sentinel) {
        EntryNode* next = node->next;
        SharedString::release_handle(node->record.title);
        SharedString::release_handle(node->record.data);
        SharedString::release_handle(node->record.macro);
        memory::release(node);
        node = next;
    }
    sentinel->next = sentinel->prev = sentinel;
    list.count = 0;
}

void destroy(EntryListObject* list) noexcept {
    if (!list) return;
    clear(*list);
    memory::release(list->sentinel);
    memory::release(list);
}

}  // namespace peltatxt::entry_list
