/* entry_layout.h — the record, node and list layout that the host and the plug-in share in place.
 *
 * Usable from C and C++. On a 32-bit target a record is 32 bytes, a node 40 and a list object 12;
 * on a 64-bit target the same fields keep their natural alignment with pointer-sized handles
 * (48, 64 and 24 bytes).
 *
 * Strings are handles: a pointer to the first code unit of a zero-terminated UTF-16 buffer that
 * is preceded by three signed 32-bit values: reference count, length and capacity (in code
 * units). A negative reference count marks a static block that is never counted or freed; all
 * empty strings may share one such block. A null handle reads as the empty string.
 *
 * Lists are circular through a sentinel node whose record part is never used: the first record
 * is sentinel->next, the last is sentinel->prev.
 */
#ifndef PELTATXT_ENTRY_LAYOUT_H
#define PELTATXT_ENTRY_LAYOUT_H

#include <stdint.h>

#ifdef __cplusplus
typedef char16_t peltatxt_unit;
extern "C" {
#else
typedef uint16_t peltatxt_unit;
#endif

/* Kind bits of EntryRecord.kind. A record is a folder when (kind & PELTATXT_KIND_FOLDER_MASK). */
#define PELTATXT_KIND_ONE_TIME 0x01
#define PELTATXT_KIND_LOCKED 0x02
#define PELTATXT_KIND_FOLDER 0x04
#define PELTATXT_KIND_FOLDER_H 0x08
#define PELTATXT_KIND_FOLDER_O 0x10
#define PELTATXT_KIND_FOLDER_MASK 0x0C

/* The header that precedes the code units of every string block. */
typedef struct PeltaStringHeader {
    int32_t refs;     /* reference count; negative: static, never freed */
    int32_t length;   /* code units, terminator excluded */
    int32_t capacity; /* code units the block can hold, terminator excluded */
} PeltaStringHeader;

typedef struct EntryRecord {
    uint8_t kind;         /* kind bits above */
    int8_t letterCode;    /* 1..7 for the letter codes D E R S C P K; anything else: none */
    uint8_t padding[2];   /* never read or copied */
    int32_t id;
    int32_t parentId;     /* id of the enclosing folder, -1 at top level */
    int32_t auxA;         /* the host's own; 0 in every record read */
    int32_t auxB;         /* the host's own; 0 in every record read */
    peltatxt_unit* title;
    peltatxt_unit* data;  /* entry text, or a folder's comment */
    peltatxt_unit* macro;
} EntryRecord;

typedef struct EntryNode {
    struct EntryNode* next;
    struct EntryNode* prev;
    EntryRecord record;   /* never used in the sentinel */
} EntryNode;

typedef struct EntryListObject {
    uint8_t unused;
    EntryNode* sentinel;
    uint32_t count;
} EntryListObject;

#ifdef __cplusplus
}
#endif

#endif
