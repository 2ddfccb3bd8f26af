/* host.c — a minimal host in C: loads the plug-in, imports a file and walks the result list.
 *
 *   host PLUGIN FILE    prints the format name and "N records, F folders"; exit status 1 on failure
 *
 * Built by tests/consumer/CMakeLists.txt against the installed CMake package, through
 * add_subdirectory and through FetchContent, so it compiles with nothing but <peltatxt.h>.
 */
#include <peltatxt.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#if defined(_WIN32)
#include <windows.h>
#define load_library(path) ((void*)LoadLibraryA(path))
#define find_export(lib, name) ((void*)GetProcAddress((HMODULE)(lib), name))
#define string_block_alloc(size) HeapAlloc(GetProcessHeap(), 0, size)
#else
#include <dlfcn.h>
#define load_library(path) dlopen(path, RTLD_NOW | RTLD_LOCAL)
#define find_export(lib, name) dlsym(lib, name)
#define string_block_alloc(size) malloc(size)
#endif

typedef void(PELTATXT_CALL* void_fn)(void);
typedef void(PELTATXT_CALL* name_fn)(peltatxt_unit*, uint32_t);
typedef EntryListObject*(PELTATXT_CALL* read_fn)(peltatxt_unit*);

/* A string handle with one reference, as the host passes a path by value. ASCII or UTF-8 below
 * U+0080 only, to keep the example short; the plug-in releases the handle. */
static peltatxt_unit* make_string(const char* text) {
    size_t n = strlen(text);
    PeltaStringHeader* h = (PeltaStringHeader*)string_block_alloc(sizeof *h + (n + 1) * sizeof(peltatxt_unit));
    if (!h) return NULL;
    h->refs = 1;
    h->length = (int32_t)n;
    h->capacity = (int32_t)n;
    peltatxt_unit* units = (peltatxt_unit*)(h + 1);
    for (size_t i = 0; i < n; ++i) units[i] = (peltatxt_unit)(unsigned char)text[i];
    units[n] = 0;
    return units;
}

/* Prints UTF-16 as UTF-8 (surrogate pairs combined). */
static void print_utf8(const peltatxt_unit* s) {
    for (; *s; ++s) {
        unsigned long c = *s;
        if (c >= 0xD800 && c < 0xDC00 && s[1] >= 0xDC00 && s[1] < 0xE000) c = 0x10000 + ((c - 0xD800) << 10) + (*++s - 0xDC00);
        if (c < 0x80) putchar((int)c);
        else if (c < 0x800) printf("%c%c", (int)(0xC0 | c >> 6), (int)(0x80 | (c & 0x3F)));
        else if (c < 0x10000) printf("%c%c%c", (int)(0xE0 | c >> 12), (int)(0x80 | (c >> 6 & 0x3F)), (int)(0x80 | (c & 0x3F)));
        else printf("%c%c%c%c", (int)(0xF0 | c >> 18), (int)(0x80 | (c >> 12 & 0x3F)), (int)(0x80 | (c >> 6 & 0x3F)), (int)(0x80 | (c & 0x3F)));
    }
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: host PLUGIN FILE\n");
        return 2;
    }
    void* lib = load_library(argv[1]);
    if (!lib) {
        fprintf(stderr, "host: cannot load %s\n", argv[1]);
        return 1;
    }
    void_fn initDLL = (void_fn)find_export(lib, "initDLL");
    void_fn endDLL = (void_fn)find_export(lib, "endDLL");
    name_fn getFormatName = (name_fn)find_export(lib, "getFormatName");
    read_fn readDataFile = (read_fn)find_export(lib, "readDataFile");
    if (!initDLL || !endDLL || !getFormatName || !readDataFile) {
        fprintf(stderr, "host: %s lacks an export\n", argv[1]);
        return 1;
    }

    initDLL();
    peltatxt_unit name[64] = {0};
    getFormatName(name, sizeof name);
    printf("format ");
    print_utf8(name);
    printf("\n");

    EntryListObject* list = readDataFile(make_string(argv[2]));
    if (!list) {
        fprintf(stderr, "host: cannot import %s\n", argv[2]);
        endDLL();
        return 1;
    }
    /* The list is circular through its sentinel; the list and its strings belong to the plug-in. */
    unsigned records = 0, folders = 0;
    for (const EntryNode* n = list->sentinel->next; n != list->sentinel; n = n->next) {
        ++records;
        if (n->record.kind & PELTATXT_KIND_FOLDER_MASK) ++folders;
    }
    printf("%u records, %u folders\n", records, folders);
    int ok = records == list->count;
    endDLL(); /* frees the result list */
    return ok ? 0 : 1;
}
