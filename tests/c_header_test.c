/* c_header_test.c — the exported header compiles as plain C, and its functions can be named from C. */
#include <peltatxt.h>

typedef void(PELTATXT_CALL* init_fn)(void);
typedef EntryListObject*(PELTATXT_CALL* read_fn)(peltatxt_unit*);
typedef uint8_t(PELTATXT_CALL* write_fn)(peltatxt_unit*, const EntryListObject*);

/* Sizes the host relies on, seen from C. */
int peltatxt_c_layout_ok(void) {
    int k32 = sizeof(void*) == 4;
    return sizeof(EntryRecord) == (k32 ? 32u : 48u) && sizeof(EntryNode) == (k32 ? 40u : 64u) &&
           sizeof(EntryListObject) == (k32 ? 12u : 24u) && sizeof(PeltaStringHeader) == 12u;
}
