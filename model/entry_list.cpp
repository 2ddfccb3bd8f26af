// entry_list.cpp — appending, clearing and destroying records of a component-owned list.
#include "entry_list.h"

#include <cstring>
#include <new>

#include "memory.h"

namespace peltatxt {

EntryList::EntryList() : object_(nullptr) {
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
    object_ = object;
}

void EntryList::append(NewRecord&& r) {
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
    EntryNode* sentinel = object_->sentinel;
    node->next = sentinel;
    node->prev = sentinel->prev;
    sentinel->prev->next = node;
    sentinel->prev = node;
    ++object_->count;
}

void EntryList::clear() noexcept {
    if (!object_) return;
    EntryNode* sentinel = object_->sentinel;
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
    object_->count = 0;
}

void EntryList::destroy(EntryListObject* object) noexcept {
    if (!object) return;
    EntryList list(object);
    list.clear();
    memory::release(object->sentinel);
    memory::release(object);
    list.object_ = nullptr;
}

}  // namespace peltatxt
