/* version_resource_check.c — reads a Windows binary's version resource the way Explorer does, and checks it.
 *
 *   version_resource_check FILE VERSION
 *
 * Prints the strings (UTF-8) and the fixed version; exits 1 unless ProductName is "peltatxt",
 * FileVersion and ProductVersion are VERSION (also as the four numbers of the fixed parts),
 * FileDescription names the format "Unicodeテキスト" and OriginalFilename is FILE's own name.
 */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

static const wchar_t* text_value(void* info, const wchar_t* name) {
    wchar_t key[128];
    wchar_t* value = NULL;
    UINT size = 0;
    swprintf(key, sizeof key / sizeof key[0], L"\\StringFileInfo\\040904B0\\%ls", name);
    if (!VerQueryValueW(info, key, (void**)&value, &size) || !size) return L"";
    return value;
}

static void print_utf8(const char* label, const wchar_t* text) {
    char utf8[1024];
    if (!WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL)) utf8[0] = 0;
    printf("%-17s%s\n", label, utf8);
}

static void four_numbers(wchar_t* out, size_t size, DWORD ms, DWORD ls) {
    swprintf(out, size, L"%lu.%lu.%lu.%lu", (unsigned long)HIWORD(ms), (unsigned long)LOWORD(ms),
             (unsigned long)HIWORD(ls), (unsigned long)LOWORD(ls));
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: version_resource_check FILE VERSION\n");
        return 2;
    }
    wchar_t file[MAX_PATH], version[64];
    if (!MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, file, MAX_PATH) ||
        !MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, version, 64)) {
        fprintf(stderr, "version_resource_check: arguments too long\n");
        return 2;
    }
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(file, &ignored);
    if (!size) {
        fprintf(stderr, "%s: no version resource (error %lu)\n", argv[1], (unsigned long)GetLastError());
        return 1;
    }
    void* info = malloc(size);
    VS_FIXEDFILEINFO* fixed = NULL;
    UINT fixed_size = 0;
    if (!info || !GetFileVersionInfoW(file, 0, size, info) ||
        !VerQueryValueW(info, L"\\", (void**)&fixed, &fixed_size) || fixed_size < sizeof *fixed) {
        fprintf(stderr, "%s: cannot read the version resource\n", argv[1]);
        return 1;
    }
    wchar_t file_fixed[64], product_fixed[64];
    four_numbers(file_fixed, 64, fixed->dwFileVersionMS, fixed->dwFileVersionLS);
    four_numbers(product_fixed, 64, fixed->dwProductVersionMS, fixed->dwProductVersionLS);
    /* VERSION as four numbers: a missing fourth one is 0. */
    int dots = 0;
    for (const wchar_t* p = version; *p; ++p) dots += *p == L'.';
    wchar_t four[64];
    swprintf(four, 64, L"%ls%ls", version, dots == 2 ? L".0" : L"");
    const wchar_t* base = file;
    for (const wchar_t* p = file; *p; ++p)
        if (*p == L'/' || *p == L'\\') base = p + 1;

    const wchar_t* names[] = {L"ProductName", L"FileDescription", L"FileVersion", L"ProductVersion", L"OriginalFilename"};
    char label[32];
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i) {
        snprintf(label, sizeof label, "%ls", names[i]);
        print_utf8(label, text_value(info, names[i]));
    }
    print_utf8("fixed version", file_fixed);

    int ok = wcscmp(text_value(info, L"ProductName"), L"peltatxt") == 0 &&
             wcsstr(text_value(info, L"FileDescription"), L"Unicode\u30C6\u30AD\u30B9\u30C8") != NULL &&
             wcscmp(text_value(info, L"FileVersion"), version) == 0 &&
             wcscmp(text_value(info, L"ProductVersion"), version) == 0 &&
             _wcsicmp(text_value(info, L"OriginalFilename"), base) == 0 && wcscmp(file_fixed, four) == 0 &&
             wcscmp(product_fixed, four) == 0;
    free(info);
    if (!ok) fprintf(stderr, "%s: the version resource does not say peltatxt %s as expected\n", argv[1], argv[2]);
    return ok ? 0 : 1;
}
