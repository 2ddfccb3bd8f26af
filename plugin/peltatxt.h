/* peltatxt.h — the eight functions the plug-in library exports, and their contract.
 *
 * The host loads the library, calls initDLL, then any number of identity queries, imports
 * (readDataFile) and exports (writeDataFile), then endDLL before unloading. Calls come from one
 * thread at a time. No function throws, prints or reports an error code: a failure shows only as
 * a null list or a false result.
 *
 * Strings passed by value (the paths) are string handles as described in entry_layout.h: the
 * library takes over the caller's one reference and releases it before returning. Blocks are
 * allocated and freed with the C runtime's malloc/free on POSIX and with the process heap
 * (HeapAlloc/HeapFree on GetProcessHeap()) on Windows, so that every module of a process can
 * release a block that another one made.
 *
 * readDataFile returns the library's own result list. It stays valid until the next
 * readDataFile, initDLL or endDLL; the host reads it and must neither change nor free it.
 * A later readDataFile empties and refills the same list object.
 */
#ifndef PELTATXT_PELTATXT_H
#define PELTATXT_PELTATXT_H

#include "entry_layout.h"

#if defined(_WIN32)
#  if defined(PELTATXT_BUILDING)
#    define PELTATXT_API __declspec(dllexport)
#  else
#    define PELTATXT_API
#  endif
#  define PELTATXT_CALL __cdecl
#else
#  define PELTATXT_API __attribute__((visibility("default")))
#  define PELTATXT_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Forgets any result list without freeing it. */
PELTATXT_API void PELTATXT_CALL initDLL(void);

/* Frees the result list, if one exists. Harmless when called again. */
PELTATXT_API void PELTATXT_CALL endDLL(void);

/* Always 1: every string crossing the boundary is UTF-16. */
PELTATXT_API uint8_t PELTATXT_CALL isUnicode(void);

/* Copy the format name "Unicodeテキスト" (or the file pattern "*") and a terminating zero into
 * buffer. capacity may count bytes or code units: the functions never write more than capacity
 * bytes, so either convention is safe. Below 4 the buffer is left untouched; when the text does
 * not fit, as much of it as fits is written, followed by the zero. */
PELTATXT_API void PELTATXT_CALL getFormatName(peltatxt_unit* buffer, uint32_t capacity);
PELTATXT_API void PELTATXT_CALL getExtension(peltatxt_unit* buffer, uint32_t capacity);

/* Imports the file at path. Returns the result list, or null when the file does not exist, is not
 * a regular file, cannot be opened or read, or memory runs out; the previous contents of the
 * result list are gone in every case. */
PELTATXT_API EntryListObject* PELTATXT_CALL readDataFile(peltatxt_unit* path);

/* Exports list into a file named after path: its directory and stem plus ".peltatxt". The file is
 * written beside the target and renamed over it only once complete, so a failed export leaves any
 * previous file as it was. Returns 1 when the complete file is in place, 0 otherwise. The list is
 * only read. */
PELTATXT_API uint8_t PELTATXT_CALL writeDataFile(peltatxt_unit* path, const EntryListObject* list);

/* Always 0: the format offers no macro conversion. The caller cleans up the stack, so whatever
 * arguments the host passes are harmless and ignored. */
PELTATXT_API uint8_t PELTATXT_CALL convertMacro(void);

#ifdef __cplusplus
}
#endif

#endif
