// layout_checks.cpp — compile-time proof that records, nodes and lists match the host's layout.
#include <cstddef>

#include <entry_layout.h>

namespace {
constexpr bool k32 = sizeof(void*) == 4;

static_assert(sizeof(PeltaStringHeader) == 12);
static_assert(offsetof(EntryRecord, kind) == 0);
static_assert(offsetof(EntryRecord, letterCode) == 1);
static_assert(offsetof(EntryRecord, id) == 4);
static_assert(offsetof(EntryRecord, parentId) == 8);
static_assert(offsetof(EntryRecord, auxA) == 12);
static_assert(offsetof(EntryRecord, auxB) == 16);
static_assert(offsetof(EntryRecord, title) == (k32 ? 20 : 24));
static_assert(offsetof(EntryRecord, data) == (k32 ? 24 : 32));
static_assert(offsetof(EntryRecord, macro) == (k32 ? 28 : 40));
static_assert(sizeof(EntryRecord) == (k32 ? 32 : 48));

static_assert(offsetof(EntryNode, next) == 0);
static_assert(offsetof(EntryNode, prev) == (k32 ? 4 : 8));
static_assert(offsetof(EntryNode, record) == (k32 ? 8 : 16));
static_assert(sizeof(EntryNode) == (k32 ? 40 : 64));

static_assert(offsetof(EntryListObject, unused) == 0);
static_assert(offsetof(EntryListObject, sentinel) == (k32 ? 4 : 8));
static_assert(offsetof(EntryListObject, count) == (k32 ? 8 : 16));
static_assert(sizeof(EntryListObject) == (k32 ? 12 : 24));
}  // namespace
