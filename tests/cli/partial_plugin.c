/* partial_plugin.c — a plug-in library that lacks writeDataFile, for the tool's "missing export" message. */
#include <stddef.h>

#include <peltatxt.h>

PELTATXT_API void PELTATXT_CALL initDLL(void) {}
PELTATXT_API void PELTATXT_CALL endDLL(void) {}
PELTATXT_API uint8_t PELTATXT_CALL isUnicode(void) { return 1; }
PELTATXT_API void PELTATXT_CALL getFormatName(peltatxt_unit* buffer, uint32_t capacity) {
    if (buffer && capacity >= 4) buffer[0] = 0;
}
PELTATXT_API void PELTATXT_CALL getExtension(peltatxt_unit* buffer, uint32_t capacity) {
    if (buffer && capacity >= 4) buffer[0] = 0;
}
PELTATXT_API EntryListObject* PELTATXT_CALL readDataFile(peltatxt_unit* path) {
    (void)path;
    return NULL;
}
PELTATXT_API uint8_t PELTATXT_CALL convertMacro(void) { return 0; }
