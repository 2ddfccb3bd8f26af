/* peltatxt.h — the eight functions the plug-in library exports, and their contract.
 *
 * The host loads the library, calls initDLL, then any number of identity queries, imports
 * (readDataFile) and exports (writeDataFile), then endDLL before unloading. Calls come from one
 * thread at a time. No function throws or prints: a failure shows as a null list or a false
 * result, and readDataFile and writeDataFile then leave its cause in errno (POSIX) or in
 * GetLastError() (Windows): ENOSPC / ERROR_DISK_FULL for a full disk, EBUSY /
 * ERROR_SHARING_VIOLATION for another save of the same file in progress, EFBIG /
 * ERROR_FILE_TOO_LARGE past the process's file-size limit, and so on.
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
 * result list are gone in every case. A FIFO or device is refused before it is opened. The file
 * is read up to the size it had when it was opened: one that grows meanwhile imports as it was,
 * one that reports size 0 (as files under /proc do) imports as empty. No save writes the file in
 * place while it is read; where such a save is under way, or was cut short by a crash, the
 * complete backup of the previous content that it made first is read instead (see
 * writeDataFile). It never waits more than about a second. */
PELTATXT_API EntryListObject* PELTATXT_CALL readDataFile(peltatxt_unit* path);

/* Exports list into a file named after path: its directory and stem plus ".peltatxt". Returns 1
 * when the complete file is in place and synced to disk, 0 otherwise. The list is only read.
 *
 * Refused (0, nothing at the target changes): a target that is no regular file (or a link to
 * one); a file the process may not write, or that nobody may write (0444, even for a privileged
 * process); a file the process's file-size limit would cut (EFBIG, before the write that would
 * raise SIGXFSZ); a file another save keeps busy for more than about a second (EBUSY).
 * Kept: the previous file stays the same file to the user: a link stays a link, and mode, owner,
 * group, extended attributes and ACL (on Windows ACL, attributes, streams and the creation time
 * that seeds the record ids) are those it had. A failure leaves the previous file byte for byte
 * as it was; a crash at any moment leaves the previous content complete, in the file or in the
 * backup that a save writing the file in place makes first (readDataFile then reads the backup,
 * and the next successful export removes it). The save is stated in full in the source's
 * fs/atomic_file.h and in the README's Reliability section. */
PELTATXT_API uint8_t PELTATXT_CALL writeDataFile(peltatxt_unit* path, const EntryListObject* list);

/* Always 0: the format offers no macro conversion. The caller cleans up the stack, so whatever
 * arguments the host passes are harmless and ignored. */
PELTATXT_API uint8_t PELTATXT_CALL convertMacro(void);

#ifdef __cplusplus
}
#endif

#endif
