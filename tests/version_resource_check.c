/* version_resource_check.c — reads a Windows binary's version resource the way Explorer does, and checks it.
 *
 *   version_resource_check FILE VERSION
 *
 * Prints the strings and the fixed version; exits 1 unless ProductName is "peltatxt", FileVersion
 * and ProductVersion are VERSION (also as the four numbers of the fixed part), FileDescription is
 * not empty and OriginalFilename is FILE's own name.
 */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char* text_value(void* info, const char* name) {
    char key[128];
    char* value = NULL;
    UINT size = 0;
    snprintf(key, sizeof key, "\\StringFileInfo\\040904B0\\%s", name);
    if (!VerQueryValueA(info, key, (void**)&value, &size) || !size) return "";
    return value;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: version_resource_check FILE VERSION\n");
        return 2;
    }
    const char* file = argv[1];
    const char* version = argv[2];
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(file, &ignored);
    if (!size) {
        fprintf(stderr, "%s: no version resource (error %lu)\n", file, (unsigned long)GetLastError());
        return 1;
    }
    void* info = malloc(size);
    if (!info || !GetFileVersionInfoA(file, 0, size, info)) {
        fprintf(stderr, "%s: cannot read the version resource\n", file);
        return 1;
    }
    VS_FIXEDFILEINFO* fixed = NULL;
    UINT fixed_size = 0;
    if (!VerQueryValueA(info, "\\", (void**)&fixed, &fixed_size) || fixed_size < sizeof *fixed) {
        fprintf(stderr, "%s: no fixed version information\n", file);
        return 1;
    }
    char fixed_text[64];
    snprintf(fixed_text, sizeof fixed_text, "%lu.%lu.%lu.%lu", (unsigned long)HIWORD(fixed->dwFileVersionMS),
             (unsigned long)LOWORD(fixed->dwFileVersionMS), (unsigned long)HIWORD(fixed->dwFileVersionLS),
             (unsigned long)LOWORD(fixed->dwFileVersionLS));
    char product_fixed_text[64];
    snprintf(product_fixed_text, sizeof product_fixed_text, "%lu.%lu.%lu.%lu",
             (unsigned long)HIWORD(fixed->dwProductVersionMS), (unsigned long)LOWORD(fixed->dwProductVersionMS),
             (unsigned long)HIWORD(fixed->dwProductVersionLS), (unsigned long)LOWORD(fixed->dwProductVersionLS));
    const char* base = file;
    for (const char* p = file; *p; ++p)
        if (*p == '/' || *p == '\\') base = p + 1;

    const char* names[] = {"ProductName", "FileDescription", "FileVersion", "ProductVersion", "OriginalFilename"};
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i) printf("%-17s%s\n", names[i], text_value(info, names[i]));
    printf("%-17s%s\n", "fixed version", fixed_text);

    /* VERSION as four numbers: a missing fourth one is 0. */
    int dots = 0;
    for (const char* p = version; *p; ++p) dots += *p == '.';
    char four[64];
    snprintf(four, sizeof four, "%s%s", version, dots == 2 ? ".0" : "");
    int ok = strcmp(text_value(info, "ProductName"), "peltatxt") == 0 && *text_value(info, "FileDescription") &&
             strcmp(text_value(info, "FileVersion"), version) == 0 &&
             strcmp(text_value(info, "ProductVersion"), version) == 0 &&
             _stricmp(text_value(info, "OriginalFilename"), base) == 0 && strcmp(fixed_text, four) == 0 &&
             strcmp(product_fixed_text, four) == 0;
    free(info);
    if (!ok) fprintf(stderr, "%s: the version resource does not say peltatxt %s (%s)\n", file, version, four);
    return ok ? 0 : 1;
}
