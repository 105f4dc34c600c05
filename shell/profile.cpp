#include "shell/profile.h"

#include <windows.h>

#include "shell/profile_text.h"

const char TAVRO_INI[] = "tavro.ini";
const char VIXWIN_INI[] = "vixwin.ini";

int ReadProfileInt(const char *section, const char *key, int defaultValue, const char *file)
{
    char text[64];
    GetPrivateProfileStringA(section, key, "", text, sizeof text, file);
    return ParseProfileInt(text, defaultValue);
}

void WriteProfileInt(const char *section, const char *key, int value, const char *file)
{
    char text[16];
    wsprintfA(text, "%d", value);
    WritePrivateProfileStringA(section, key, text, file);
}
