// Checks the compiled resources as the program and the dialog manager see them:
// through the platform's loaders and, for templates and bitmaps, byte by byte.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "resource.h"

namespace {

const WORD kNeutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);

HINSTANCE Self() { return GetModuleHandleA(nullptr); }

// The stored bytes of a resource in the neutral language; empty when there is none.
std::vector<BYTE> Raw(LPCSTR type, int id) {
    HRSRC found = FindResourceExA(Self(), type, MAKEINTRESOURCEA(id), kNeutral);
    if (!found) return {};
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(Self(), found)));
    return std::vector<BYTE>(data, data + SizeofResource(Self(), found));
}

std::string Ordinal(int n) { return "<ordinal " + std::to_string(n) + ">"; }

// Little-endian reader over resource bytes; positions are relative to the resource start.
struct Reader {
    const std::vector<BYTE>& bytes;
    size_t at = 0;
    bool overrun = false;

    WORD Word() {
        if (at + 2 > bytes.size()) { overrun = true; return 0; }
        WORD w = static_cast<WORD>(bytes[at] | bytes[at + 1] << 8);
        at += 2;
        return w;
    }
    short Short() { return static_cast<short>(Word()); }
    DWORD Dword() { DWORD lo = Word(); return lo | static_cast<DWORD>(Word()) << 16; }
    void Align4() { at = (at + 3) & ~size_t(3); }
    // Zero-terminated UTF-16 text; the resources are plain ASCII.
    std::string Text() {
        std::string s;
        for (WORD c = Word(); c != 0 && !overrun; c = Word())
            s += c < 0x80 ? static_cast<char>(c) : '?';
        return s;
    }
    // sz_Or_Ord: 0 = none, 0xFFFF + ordinal, or text.
    std::string TextOrOrdinal() {
        size_t start = at;
        WORD first = Word();
        if (first == 0) return "";
        if (first == 0xFFFF) return Ordinal(Word());
        at = start;
        return Text();
    }
};

BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR out) {
    reinterpret_cast<std::set<int>*>(out)->insert(
        IS_INTRESOURCE(name) ? static_cast<int>(reinterpret_cast<ULONG_PTR>(name)) : -1);
    return TRUE;
}

BOOL CALLBACK AddType(HMODULE, LPSTR type, LONG_PTR out) {
    reinterpret_cast<std::set<ULONG_PTR>*>(out)->insert(
        IS_INTRESOURCE(type) ? reinterpret_cast<ULONG_PTR>(type) : 0);
    return TRUE;
}

BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR out) {
    reinterpret_cast<std::set<WORD>*>(out)->insert(language);
    return TRUE;
}

std::set<int> Names(LPCSTR type) {
    std::set<int> names;
    EnumResourceNamesA(Self(), type, AddName, reinterpret_cast<LONG_PTR>(&names));
    return names;
}

std::set<WORD> Languages(LPCSTR type, int id) {
    std::set<WORD> languages;
    EnumResourceLanguagesA(Self(), type, MAKEINTRESOURCEA(id), AddLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

// ---------------------------------------------------------------------------------
// Inventory

TEST(ResourceInventory, EveryResourceIsNumberedAndNeutral) {
    const std::map<LPCSTR, std::set<int>> expected = {
        {RT_MENU, {1}},
        {RT_ACCELERATOR, {1}},
        {RT_DIALOG, {1, 2, 3}},
        {RT_BITMAP, {100, 101, 102, 103, 110, 111, 112, 113}},
        {RT_GROUP_ICON, {100}},
        {RT_ICON, {1}},
        // String blocks hold sixteen ids each: 0-15, 96-111, 112-127, 144-159, 160-175, 192-207.
        {RT_STRING, {1, 7, 8, 10, 11, 13}},
        // Beside the user interface, only the version resource.
        {RT_VERSION, {VS_VERSION_INFO}},
    };
    std::set<ULONG_PTR> types;
    for (const auto& [type, names] : expected) {
        types.insert(reinterpret_cast<ULONG_PTR>(type));
        SCOPED_TRACE(reinterpret_cast<ULONG_PTR>(type));
        EXPECT_EQ(Names(type), names);
        for (int name : names) EXPECT_EQ(Languages(type, name), std::set<WORD>{kNeutral}) << name;
    }
    std::set<ULONG_PTR> present;
    EnumResourceTypesA(Self(), AddType, reinterpret_cast<LONG_PTR>(&present));
    EXPECT_EQ(present, types);
}

// ---------------------------------------------------------------------------------
// String table

const std::map<int, std::string> kStrings = {
    {1, "Tavro"},
    {100, "Hardware failure"},
    {101, "Gendex CCD18"},
    {102, "Gendex CCD18"},
    {104, "Gendex CCD38"},
    {105, "Gendex USB version"},
    {106, "Acquisizione effettuata"},
    {107, "Acquisizione disabilitata"},
    {108, "L'hardware non risponde all'indirizzo"},
    {109, "L'hardware risponde correttamente all'indirizzo"},
    {110, "Funzione non implementata.\n\nUtilizzare la relativa funzione fornita dal produttore hardware"},
    {120, "Trophy con CCX"},
    {121, "Trophy senza CCX"},
    {150, "Sensore Schick Technolgies"},
    {151, "Premere F5 o il pedale"},
    {152, "Attendere:"},
    {160, "Sensore Dexis"},
    {161, "Memoria insufficiente"},
    {205, "Attesa raggi..."},
};

TEST(StringTable, LoadsEveryText) {
    for (const auto& [id, text] : kStrings) {
        char buffer[256] = {};
        int length = LoadStringA(Self(), id, buffer, sizeof buffer);
        EXPECT_EQ(std::string(buffer), text) << "string " << id;
        EXPECT_EQ(length, static_cast<int>(text.size())) << "string " << id;
    }
    char buffer[256] = "unchanged";
    EXPECT_EQ(LoadStringA(Self(), 103, buffer, sizeof buffer), 0);
}

TEST(StringTable, ApplicationNameFitsItsTenCharacterBuffer) {
    char name[10];
    memset(name, 'x', sizeof name);
    EXPECT_EQ(LoadStringA(Self(), IDS_APPNAME, name, sizeof name), 5);
    EXPECT_STREQ(name, "Tavro");
}

TEST(StringTable, HoldsExactlyTheseStrings) {
    std::map<int, std::string> stored;
    for (int block : Names(RT_STRING)) {
        std::vector<BYTE> raw = Raw(RT_STRING, block);
        Reader in{raw};
        for (int i = 0; i < 16; ++i) {
            WORD length = in.Word();
            std::string s;
            for (WORD k = 0; k < length; ++k) s += static_cast<char>(in.Word());
            if (length) stored[(block - 1) * 16 + i] = s;
        }
        EXPECT_FALSE(in.overrun) << "block " << block;
    }
    EXPECT_EQ(stored, kStrings);
}

// ---------------------------------------------------------------------------------
// Menu and accelerator

TEST(Menu, FilePopupItemsInOrderWithoutMarks) {
    struct Item { UINT id; const char* text; };   // text nullptr: separator
    const Item expected[] = {
        {104, "&Acquisisci\tF5"}, {9071, "Attesa &raggi automatica"}, {0, nullptr},
        {100, "&Hardware Setup"}, {102, "&Test acquisizione"}, {103, "&Versione dll"},
        {0, nullptr}, {11842, "Alta Ris&oluzione Trophy"}, {0, nullptr},
        {9070, "&Preview"}, {0, nullptr}, {101, "&Esci"},
    };
    HMENU bar = LoadMenuA(Self(), MAKEINTRESOURCEA(IDR_MAINMENU));
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 1);
    char text[64] = {};
    GetMenuStringA(bar, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&File");
    HMENU file = GetSubMenu(bar, 0);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(GetMenuItemCount(file), 12);
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(i + 1);
        MENUITEMINFOA info = {};
        char label[64] = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = label;
        info.cch = sizeof label;
        ASSERT_TRUE(GetMenuItemInfoA(file, i, TRUE, &info));
        EXPECT_EQ(info.hSubMenu, nullptr);
        if (!expected[i].text) {
            EXPECT_TRUE(info.fType & MFT_SEPARATOR);   // the platform reports separators greyed
        } else {
            EXPECT_EQ(info.fState, 0u);                // enabled, not greyed, not checked
            EXPECT_EQ(info.fType, static_cast<UINT>(MFT_STRING));
            EXPECT_EQ(info.wID, expected[i].id);
            EXPECT_STREQ(label, expected[i].text);
        }
    }
    DestroyMenu(bar);

    // The stored items carry no state flags beyond the pop-up and end-of-list markers.
    std::vector<BYTE> raw = Raw(RT_MENU, IDR_MAINMENU);
    Reader in{raw};
    EXPECT_EQ(in.Dword(), 0u);                         // version 0, header size 0
    EXPECT_EQ(in.Word(), MF_POPUP | MF_END);
    EXPECT_EQ(in.Text(), "&File");
    for (int i = 0; i < 12; ++i) {
        WORD flags = in.Word();
        EXPECT_EQ(flags, i == 11 ? MF_END : 0) << "item " << i + 1;
        EXPECT_EQ(in.Word(), expected[i].id) << "item " << i + 1;
        EXPECT_EQ(in.Text(), expected[i].text ? expected[i].text : "") << "item " << i + 1;
    }
    EXPECT_FALSE(in.overrun);
    EXPECT_EQ(in.at, raw.size());
}

TEST(Accelerators, F5AloneGivesAcquire) {
    HACCEL table = LoadAcceleratorsA(Self(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(CopyAcceleratorTableA(table, nullptr, 0), 1);
    ACCEL entry = {};
    CopyAcceleratorTableA(table, &entry, 1);
    EXPECT_EQ(entry.fVirt, FVIRTKEY);
    EXPECT_EQ(entry.key, VK_F5);
    EXPECT_EQ(entry.cmd, IDM_ACQUIRE);
    DestroyAcceleratorTable(table);

    // Stored: flags with the end-of-table bit, key, command, padding.
    std::vector<BYTE> raw = Raw(RT_ACCELERATOR, IDR_ACCELERATORS);
    EXPECT_EQ(raw, (std::vector<BYTE>{FVIRTKEY | 0x80, 0, 0x74, 0, 104, 0, 0, 0}));
}

// ---------------------------------------------------------------------------------
// Dialog templates

const DWORD kDialogStyle =
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK;

const DWORD kPush = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
const DWORD kPushCentred = kPush | BS_CENTER;
const DWORD kLabel = WS_CHILD | WS_VISIBLE | SS_LEFT;
const DWORD kLabelRight = WS_CHILD | WS_VISIBLE | SS_RIGHT;
const DWORD kPicture = WS_CHILD | WS_VISIBLE | WS_BORDER | SS_BITMAP;
const DWORD kPictureHidden = WS_CHILD | WS_BORDER | SS_BITMAP;
const DWORD kList = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST;
const DWORD kCheck = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
const DWORD kEdit = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_LEFT;
const DWORD kEditScroll = kEdit | ES_AUTOHSCROLL;

// Predefined classes are stored as ordinals.
const std::string kButton = Ordinal(0x80), kEditClass = Ordinal(0x81),
                  kStatic = Ordinal(0x82), kCombo = Ordinal(0x85);

struct Control {
    WORD id;
    std::string cls, text;
    short x, y, cx, cy;
    DWORD style;
    bool operator==(const Control& o) const {
        return id == o.id && cls == o.cls && text == o.text && x == o.x && y == o.y &&
               cx == o.cx && cy == o.cy && style == o.style;
    }
};

std::ostream& operator<<(std::ostream& out, const Control& c) {
    return out << "{id " << c.id << ", " << c.cls << ", \"" << c.text << "\", " << c.x << ","
               << c.y << " " << c.cx << "x" << c.cy << ", style 0x" << std::hex << c.style
               << std::dec << "}";
}

struct Dialog {
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string menu, cls, caption, face;
    WORD points = 0;
    std::vector<Control> controls;
};

Dialog ParseDialog(int id) {
    std::vector<BYTE> raw = Raw(RT_DIALOG, id);
    Dialog d;
    Reader in{raw};
    d.style = in.Dword();
    d.exStyle = in.Dword();
    WORD count = in.Word();
    d.x = in.Short(); d.y = in.Short(); d.cx = in.Short(); d.cy = in.Short();
    d.menu = in.TextOrOrdinal();
    d.cls = in.TextOrOrdinal();
    d.caption = in.Text();
    if (d.style & DS_SETFONT) {
        d.points = in.Word();
        d.face = in.Text();
    }
    for (WORD i = 0; i < count && !in.overrun; ++i) {
        in.Align4();
        Control c;
        c.style = in.Dword();
        EXPECT_EQ(in.Dword(), 0u) << "extended style of control " << i + 1;
        c.x = in.Short(); c.y = in.Short(); c.cx = in.Short(); c.cy = in.Short();
        c.id = in.Word();
        c.cls = in.TextOrOrdinal();
        c.text = in.TextOrOrdinal();
        EXPECT_EQ(in.Word(), 0u) << "creation data of control " << i + 1;
        d.controls.push_back(c);
    }
    EXPECT_FALSE(in.overrun) << "dialog " << id << " is truncated";
    EXPECT_LE(raw.size() - in.at, 3u) << "dialog " << id << " has trailing bytes";
    return d;
}

void ExpectDialog(int id, const std::string& caption, short x, short y, short cx, short cy,
                  const std::string& menu, const std::vector<Control>& controls) {
    SCOPED_TRACE("dialog " + std::to_string(id));
    Dialog d = ParseDialog(id);
    EXPECT_EQ(d.style, kDialogStyle);
    EXPECT_EQ(d.exStyle, 0u);
    EXPECT_EQ(d.x, x);
    EXPECT_EQ(d.y, y);
    EXPECT_EQ(d.cx, cx);
    EXPECT_EQ(d.cy, cy);
    EXPECT_EQ(d.menu, menu);
    EXPECT_EQ(d.cls, "");
    EXPECT_EQ(d.caption, caption);
    EXPECT_EQ(d.points, 8);
    EXPECT_EQ(d.face, "MS Sans Serif");
    ASSERT_EQ(d.controls.size(), controls.size());
    for (size_t i = 0; i < controls.size(); ++i)
        EXPECT_EQ(d.controls[i], controls[i]) << "control " << i + 1;
}

const WORD kNone = 0xFFFF;   // id -1

TEST(DialogTemplates, ControlDialog) {
    ExpectDialog(1, "Acquisizione da sensore", 3, 15, 95, 55, Ordinal(1), {
        {101, kButton, "&Esci", 1, 0, 39, 14, kPush},
        {102, kStatic, "Stato dell'hardare", 1, 33, 94, 8, kLabel},
        {103, kStatic, "", 1, 44, 94, 8, kLabel},
        {104, kStatic, "0", 44, 24, 12, 8, kLabel},
        {500, kStatic, Ordinal(100), 61, 0, 15, 14, kPicture},
        {600, kStatic, Ordinal(110), 61, 0, 15, 14, kPictureHidden},
        {501, kStatic, Ordinal(101), 78, 9, 15, 14, kPicture},
        {601, kStatic, Ordinal(111), 78, 9, 15, 14, kPictureHidden},
        {502, kStatic, Ordinal(102), 61, 18, 15, 14, kPicture},
        {602, kStatic, Ordinal(112), 61, 18, 15, 14, kPictureHidden},
        {503, kStatic, Ordinal(103), 44, 9, 15, 14, kPicture},
        {603, kStatic, Ordinal(113), 44, 9, 15, 14, kPictureHidden},
        {kNone, kStatic, "Immagini:", 1, 24, 40, 8, kLabel},
    });
}

TEST(DialogTemplates, HardwareSetupDialog) {
    ExpectDialog(2, "Impostazioni Hardware", 0, 0, 205, 113, "", {
        {IDOK, kButton, "&OK", 32, 88, 50, 14, kPushCentred},
        {IDCANCEL, kButton, "&Annulla", 139, 88, 50, 14, kPushCentred},
        {kNone, kStatic, "Integration Time", 8, 14, 60, 8, kLabel},
        {kNone, kStatic, "Indirizzo IRQ", 8, 31, 60, 8, kLabel},
        {kNone, kStatic, "Indirizzo Memoria", 8, 48, 60, 8, kLabel},
        {kNone, kStatic, "Indirizzo I/O", 8, 65, 60, 8, kLabel},
        {101, kCombo, "ComboBox1", 77, 13, 50, 60, kList},
        {102, kCombo, "ComboBox2", 77, 29, 50, 60, kList},
        {103, kCombo, "ComboBox3", 77, 46, 50, 60, kList},
        {104, kCombo, "ComboBox4", 77, 63, 50, 60, kList},
        {105, kButton, "Logaritmico", 140, 16, 60, 12, kCheck},
        {106, kButton, "Equalizza", 140, 32, 60, 12, kCheck},
        {107, kButton, "Despeckle", 140, 48, 60, 12, kCheck},
        {108, kStatic, "Filtri applicati", 140, 4, 48, 8, kLabel},
    });
}

TEST(DialogTemplates, SchickSetupDialog) {
    ExpectDialog(3, "Impostazioni Hardware Sensore Shick", 0, 0, 235, 110, "", {
        {kNone, kStatic, "Porta (I/O)", 7, 10, 60, 8, kLabel},
        {102, kCombo, "ComboBox2", 71, 8, 55, 60, kList},
        {kNone, kStatic, "Auto Tresh", 6, 32, 56, 8, kLabel},
        {110, kEditClass, "", 72, 30, 42, 12, kEdit},
        {kNone, kStatic, "Auto Count", 117, 32, 61, 8, kLabel},
        {112, kEditClass, "", 184, 30, 42, 12, kEdit},
        {kNone, kStatic, "Esposizione", 6, 50, 66, 8, kLabel},
        {111, kEditClass, "", 72, 48, 42, 12, kEdit},
        {kNone, kStatic, "Percorso config.", 117, 50, 62, 8, kLabel},
        {113, kEditClass, "", 184, 48, 42, 12, kEditScroll},
        {IDOK, kButton, "&OK", 32, 89, 50, 14, kPushCentred},
        {IDCANCEL, kButton, "&Annulla", 139, 89, 50, 14, kPushCentred},
        {kNone, kStatic, "Secondi stabilizzazione  >6", -1, 73, 100, 8, kLabelRight},
        {101, kEditClass, "", 100, 71, 14, 12, kEdit},
        {103, kButton, "Acquisci all'apertura dialogo", 117, 71, 115, 12, kCheck},
    });
}

INT_PTR CALLBACK IgnoreEverything(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(DialogTemplates, ControlDialogShowsPlainPicturesOverHiddenTwins) {
    HWND dialog = CreateDialogParamA(Self(), MAKEINTRESOURCEA(IDD_CONTROL), nullptr,
                                     IgnoreEverything, 0);
    ASSERT_NE(dialog, nullptr);
    HMENU menu = GetMenu(dialog);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuState(menu, IDM_ACQUIRE, MF_BYCOMMAND), 0u);
    for (int n = 1; n <= 4; ++n) {
        SCOPED_TRACE(n);
        HWND plain = GetDlgItem(dialog, IDC_PICTURE_BASE + n);
        HWND twin = GetDlgItem(dialog, IDC_HIGHLIGHT_BASE + n);
        ASSERT_TRUE(plain && twin);
        EXPECT_TRUE(IsWindowVisible(plain));
        EXPECT_FALSE(GetWindowLongA(twin, GWL_STYLE) & WS_VISIBLE);
        RECT a, b;
        GetWindowRect(plain, &a);
        GetWindowRect(twin, &b);
        EXPECT_TRUE(EqualRect(&a, &b));
        for (HWND picture : {plain, twin}) {
            HBITMAP shown = reinterpret_cast<HBITMAP>(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
            BITMAP info = {};
            ASSERT_TRUE(shown && GetObjectA(shown, sizeof info, &info));
            EXPECT_EQ(info.bmWidth, 20);
            EXPECT_EQ(info.bmHeight, 20);
        }
    }
    DestroyWindow(dialog);
}

// ---------------------------------------------------------------------------------
// Orientation pictures

const int kSide = 20;
const BYTE kBlack = 0, kDarkCyan = 6, kWhite = 15;

// The sensor with its cable down, rows and columns from the top-left corner.
bool SensorDown(int row, int col) {
    bool outline = (row == 0 || row == 15) && col >= 6 && col <= 14;
    outline = outline || ((col == 6 || col == 14) && row >= 0 && row <= 15);
    bool block = row >= 13 && row <= 14 && col >= 9 && col <= 11;
    bool tail = col == 10 && row >= 16 && row <= 19;
    return outline || block || tail;
}

// Turned `quarters` quarter turns clockwise: look up where each pixel came from.
bool Sensor(int quarters, int row, int col) {
    for (int q = 0; q < quarters; ++q) {
        int from_row = kSide - 1 - col, from_col = row;
        row = from_row;
        col = from_col;
    }
    return SensorDown(row, col);
}

BYTE Pixel(const std::vector<BYTE>& raw, int row, int col) {
    const size_t bits = 40 + 16 * 4;
    BYTE pair = raw[bits + (kSide - 1 - row) * 12 + col / 2];
    return col % 2 == 0 ? pair >> 4 : pair & 15;
}

TEST(Bitmaps, HeaderAndStandardPalette) {
    const BYTE palette[16][3] = {
        {0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0}, {0, 0, 128}, {128, 0, 128},
        {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0},
        {255, 255, 0}, {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
    };
    for (int id : {100, 101, 102, 103, 110, 111, 112, 113}) {
        SCOPED_TRACE(id);
        std::vector<BYTE> raw = Raw(RT_BITMAP, id);
        ASSERT_EQ(raw.size(), 40u + 64u + 240u);
        BITMAPINFOHEADER h;
        memcpy(&h, raw.data(), sizeof h);
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, 20);
        EXPECT_EQ(h.biHeight, 20);             // positive: bottom-up
        EXPECT_EQ(h.biPlanes, 1);
        EXPECT_EQ(h.biBitCount, 4);
        EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
        EXPECT_EQ(h.biSizeImage, 240u);
        EXPECT_EQ(h.biXPelsPerMeter, 0);
        EXPECT_EQ(h.biYPelsPerMeter, 0);
        EXPECT_EQ(h.biClrUsed, 16u);
        EXPECT_EQ(h.biClrImportant, 16u);
        for (int i = 0; i < 16; ++i) {
            const BYTE* q = &raw[40 + 4 * i];   // blue, green, red, reserved
            EXPECT_EQ((std::vector<BYTE>{q[2], q[1], q[0], q[3]}),
                      (std::vector<BYTE>{palette[i][0], palette[i][1], palette[i][2], 0}))
                << "palette entry " << i;
        }
        for (int row = 0; row < kSide; ++row)
            EXPECT_EQ(raw[104 + row * 12 + 10] | raw[104 + row * 12 + 11], 0) << "padding of row " << row;
    }
}

TEST(Bitmaps, SensorDrawnWithCableTowardsTheCross) {
    const struct { int id, quarters; BYTE background; int tipRow, tipCol; } pictures[] = {
        {100, 0, kWhite, 19, 10},    {101, 1, kWhite, 10, 0},
        {102, 2, kWhite, 0, 9},      {103, 3, kWhite, 9, 19},
        {110, 0, kDarkCyan, 19, 10}, {111, 1, kDarkCyan, 10, 0},
        {112, 2, kDarkCyan, 0, 9},   {113, 3, kDarkCyan, 9, 19},
    };
    for (const auto& p : pictures) {
        SCOPED_TRACE(p.id);
        std::vector<BYTE> raw = Raw(RT_BITMAP, p.id);
        ASSERT_EQ(raw.size(), 344u);
        int mismatches = 0;
        for (int row = 0; row < kSide; ++row)
            for (int col = 0; col < kSide; ++col) {
                BYTE want = Sensor(p.quarters, row, col) ? kBlack : p.background;
                if (Pixel(raw, row, col) != want && ++mismatches <= 5)
                    ADD_FAILURE() << "pixel row " << row << " column " << col << " is "
                                  << int(Pixel(raw, row, col)) << ", expected " << int(want);
            }
        EXPECT_EQ(mismatches, 0);
        EXPECT_EQ(Pixel(raw, p.tipRow, p.tipCol), kBlack) << "end of the cable";
    }
}

// ---------------------------------------------------------------------------------
// Icon

TEST(Icon, OneMaskedSixteenColourImageOf32Pixels) {
    std::vector<BYTE> group = Raw(RT_GROUP_ICON, IDI_TAVRO);
    ASSERT_EQ(group.size(), 6u + 14u);
    Reader in{group};
    EXPECT_EQ(in.Word(), 0);
    EXPECT_EQ(in.Word(), 1);                   // icons, not cursors
    EXPECT_EQ(in.Word(), 1);                   // one image
    EXPECT_EQ(group[6], 32);
    EXPECT_EQ(group[7], 32);
    EXPECT_EQ(group[8], 16);
    in.at = 10;
    EXPECT_EQ(in.Word(), 1);                   // planes
    EXPECT_EQ(in.Word(), 4);                   // bits per pixel
    DWORD bytes = in.Dword();
    WORD image = in.Word();

    std::vector<BYTE> raw = Raw(RT_ICON, image);
    ASSERT_EQ(raw.size(), bytes);
    ASSERT_EQ(raw.size(), 40u + 64u + 512u + 128u);   // header, palette, colours, mask
    BITMAPINFOHEADER h;
    memcpy(&h, raw.data(), sizeof h);
    EXPECT_EQ(h.biWidth, 32);
    EXPECT_EQ(h.biHeight, 64);                 // colours and mask
    EXPECT_EQ(h.biBitCount, 4);
    int yellow = 0, transparent = 0;
    for (int i = 0; i < 512; ++i)
        yellow += (raw[104 + i] >> 4 == 11) + ((raw[104 + i] & 15) == 11);
    for (int i = 0; i < 128; ++i)
        for (int bit = 0; bit < 8; ++bit) transparent += raw[616 + i] >> bit & 1;
    EXPECT_GT(yellow, 100) << "the folder";
    EXPECT_GT(transparent, 0);
    EXPECT_LT(transparent, 32 * 32);
    EXPECT_NE(LoadIconA(Self(), MAKEINTRESOURCEA(IDI_TAVRO)), nullptr);
}

}  // namespace
