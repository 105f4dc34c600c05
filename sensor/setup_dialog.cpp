#include "sensor/setup_dialog.h"

#include "delivery/exposure_log.h"
#include "resources/resource.h"
#include "sensor/gendex.h"
#include "sensor/gendex_names.h"
#include "shell/globals.h"
#include "shell/profile.h"

namespace {

const char DRIVER_SECTION[] = "GXDriver";
const char FILTER_SECTION[] = "Filter";

struct ListSetting {
    int control;
    const GendexDriverSetting &setting;
};

const ListSetting LISTS[] = {
    {IDC_INTEGRATION_TIME, GENDEX_DRIVER_SETTINGS[0]},
    {IDC_IRQ, GENDEX_DRIVER_SETTINGS[1]},
    {IDC_MEMORY_BASE, GENDEX_DRIVER_SETTINGS[2]},
    {IDC_PORT_BASE, GENDEX_DRIVER_SETTINGS[3]},
};

struct CheckSetting {
    int control;
    const char *key;
};

// Read and written in this order.
const CheckSetting CHECKS[] = {
    {IDC_FILTER_EQUAL, "Equal"},
    {IDC_FILTER_LOG, "Log"},
    {IDC_FILTER_DESPECKLE, "Despeck"},
};

// An empty value counts as a missing one: it would otherwise select the first entry.
void ReadStoredText(const ListSetting &list)
{
    const GendexDriverSetting &setting = list.setting;
    GetPrivateProfileStringA(DRIVER_SECTION, setting.key, setting.missing, g_textBuffer, TEXT_BUFFER_SIZE,
                             VIXWIN_INI);
    if (!g_textBuffer[0])
        lstrcpynA(g_textBuffer, setting.missing, TEXT_BUFFER_SIZE);
}

void UpperCaseLetters(char *text)
{
    for (; *text; ++text)
        if (*text >= 'a' && *text <= 'z')
            *text = static_cast<char>(*text - 'a' + 'A');
}

void FillList(HWND dialog, const ListSetting &list)
{
    const GendexDriverSetting &setting = list.setting;
    for (int value = setting.first; value <= setting.last; value += setting.step) {
        wsprintfA(g_textBuffer, setting.hexadecimal ? "0X%X" : "%i", value);
        SendDlgItemMessageA(dialog, list.control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(g_textBuffer));
    }
    ReadStoredText(list);
    // Stored hexadecimal may be in either case.
    if (setting.hexadecimal)
        UpperCaseLetters(g_textBuffer);
    // The first entry that begins with the stored text; none when nothing does.
    SendDlgItemMessageA(dialog, list.control, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                        reinterpret_cast<LPARAM>(g_textBuffer));
}

// Appends " key=value" to the record of what was written.
void Record(char *record, const char *key, const char *value)
{
    wsprintfA(record + lstrlenA(record), " %s=%s", key, value);
}

// Without a selection the stored text is kept as it was: never whatever the buffer held last.
void WriteList(HWND dialog, const ListSetting &list, char *record)
{
    const LRESULT selected = SendDlgItemMessageA(dialog, list.control, CB_GETCURSEL, 0, 0);
    const LRESULT length = selected == CB_ERR ? CB_ERR
                           : SendDlgItemMessageA(dialog, list.control, CB_GETLBTEXTLEN, selected, 0);
    if (length == CB_ERR || length >= TEXT_BUFFER_SIZE)
        ReadStoredText(list);
    else
        SendDlgItemMessageA(dialog, list.control, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(g_textBuffer));
    WritePrivateProfileStringA(DRIVER_SECTION, list.setting.key, g_textBuffer, VIXWIN_INI);
    Record(record, list.setting.key, g_textBuffer);
}

void FillSetupDialog(HWND dialog)
{
    for (const ListSetting &list : LISTS)
        FillList(dialog, list);
    for (const CheckSetting &check : CHECKS) {
        const int value = ReadProfileInt(FILTER_SECTION, check.key, 1, VIXWIN_INI);
        CheckDlgButton(dialog, check.control, value ? BST_CHECKED : BST_UNCHECKED);
    }
}

void WriteSetup(HWND dialog)
{
    char record[8 * TEXT_BUFFER_SIZE] = ""; // seven values read back from the file, each below 256
    for (const ListSetting &list : LISTS)
        WriteList(dialog, list, record);
    for (const CheckSetting &check : CHECKS) {
        wsprintfA(g_textBuffer, "%d", IsDlgButtonChecked(dialog, check.control) == BST_CHECKED ? 1 : 0);
        WritePrivateProfileStringA(FILTER_SECTION, check.key, g_textBuffer, VIXWIN_INI);
        Record(record, check.key, g_textBuffer);
    }
    LogLine("Impostazioni hardware scritte in vixwin.ini:%s", record);
    // Flush the platform's cached copy before the hardware is reopened from the file.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, VIXWIN_INI);
}

} // namespace

extern "C" INT_PTR CALLBACK SetupHardwareProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        FillSetupDialog(dialog);
        return 1;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            WriteSetup(dialog);
            EndDialog(dialog, 1);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
        }
        return 0;
    }
    return 0;
}

void SGendex::HardwareSetup()
{
    CloseHardware();
    DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_HARDWARE_SETUP), ownerWindow, SetupHardwareProc, 0);
    OpenHardware();
}
