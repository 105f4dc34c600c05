#include "verifica/verdict.h"

#include <gtest/gtest.h>

#include <functional>

#include "sensor/gendex_names.h"

namespace {

struct Expected {
    Outcome outcome;
    const char *part; // a part of the line's text
};

void ExpectLine(const CheckLine &line, const Expected &expected)
{
    EXPECT_EQ(line.outcome, expected.outcome) << line.text;
    EXPECT_NE(line.text.find(expected.part), std::string::npos) << line.text;
}

TEST(Verdict, ALineBeginsWithItsOutcomeInOneColumn)
{
    EXPECT_EQ(FormatLine({Outcome::Ok, "a"}), "OK          a");
    EXPECT_EQ(FormatLine({Outcome::Warning, "b"}), "ATTENZIONE  b");
    EXPECT_EQ(FormatLine({Outcome::Error, "c"}), "ERRORE      c");
}

// Integrity levels: what Wine does not have.
TEST(Verdict, AReceiverWithHigherRightsIsAnError)
{
    const long LOW = 0x1000, UNKNOWN = LEVEL_UNKNOWN, MEDIUM = LEVEL_MEDIUM, HIGH = LEVEL_HIGH;
    const struct {
        bool vista;
        long ours;
        bool elevated; // the check itself run "as administrator"
        long shell;    // the level of the shell that starts Tavro
        long theirs;
        Expected expected;
    } cases[] = {
        {false, UNKNOWN, false, UNKNOWN, UNKNOWN, {Outcome::Ok, "non applicabile"}},
        {true, MEDIUM, false, MEDIUM, MEDIUM, {Outcome::Ok, "non piu' alto"}},
        {true, HIGH, false, UNKNOWN, MEDIUM, {Outcome::Ok, "medio"}},
        {true, HIGH, false, HIGH, HIGH, {Outcome::Ok, "non piu' alto"}}, // UAC off
        {true, MEDIUM, false, MEDIUM, HIGH, {Outcome::Error, "non \"come amministratore\""}},
        {true, MEDIUM, false, MEDIUM, 0x4000, {Outcome::Error, "sistema"}},
        // An elevated receiver does not let a medium process read its level.
        {true, MEDIUM, false, MEDIUM, UNKNOWN, {Outcome::Error, "non leggibili"}},
        {true, LOW, false, UNKNOWN, UNKNOWN, {Outcome::Error, "rifiuta"}},
        {true, HIGH, false, UNKNOWN, UNKNOWN, {Outcome::Warning, "non leggibili"}},
        {true, UNKNOWN, false, UNKNOWN, UNKNOWN, {Outcome::Warning, "non leggibili"}},
        // Run elevated, the check compares with the level Tavro gets when started normally.
        {true, HIGH, true, UNKNOWN, HIGH, {Outcome::Error, "piu' alto di Tavro (medio"}},
        {true, HIGH, true, MEDIUM, HIGH, {Outcome::Error, "piu' alto di Tavro (medio"}},
        {true, HIGH, true, UNKNOWN, UNKNOWN, {Outcome::Error, "non leggibili"}},
        {true, HIGH, true, UNKNOWN, MEDIUM, {Outcome::Ok, "non piu' alto"}},
        {true, HIGH, true, HIGH, HIGH, {Outcome::Ok, "non piu' alto"}}, // a shell that is elevated too, as Wine's
    };
    for (const auto &c : cases)
        ExpectLine(RightsLine("MORV_FOTO_SERVER", c.vista, NormalLevel(c.elevated, c.ours, c.shell), c.theirs),
                   c.expected);
    ExpectLine(OwnRightsLine(true, HIGH, NormalLevel(true, HIGH, MEDIUM)), {Outcome::Warning, "come amministratore"});
    ExpectLine(OwnRightsLine(true, HIGH, NormalLevel(false, HIGH, MEDIUM)), {Outcome::Ok, "operatore"}); // UAC off
    ExpectLine(OwnRightsLine(true, HIGH, NormalLevel(true, HIGH, HIGH)), {Outcome::Ok, "operatore"});
    ExpectLine(OwnRightsLine(false, UNKNOWN, UNKNOWN), {Outcome::Ok, "operatore"});
}

// Each line from what it is made of: its outcome, and a part of what it says.
TEST(Verdict, EachLineHasItsOutcomeAndItsFix)
{
    const struct {
        CheckLine line;
        Expected expected;
    } cases[] = {
        {WindowsLine(5, 1, 2600, 2), {Outcome::Error, "XP SP3"}},
        {WindowsLine(5, 0, 2195, 4), {Outcome::Error, "XP SP3"}},
        {WindowsLine(5, 1, 2600, 3), {Outcome::Ok, "Windows XP (5.1, build 2600, Service Pack 3)"}},
        {WindowsLine(10, 0, 19045, 0), {Outcome::Ok, "Windows 10"}},
        {WindowsLine(10, 0, 22631, 0), {Outcome::Ok, "Windows 11"}},
        {DepLine(0), {Outcome::Ok, "disattivata"}},
        {DepLine(2), {Outcome::Ok, "predefinita"}},
        {DepLine(1), {Outcome::Warning, "senza eccezioni"}},
        {DepLine(3), {Outcome::Warning, "aggiungere tavro.exe alle eccezioni"}},
        {DepLine(-1), {Outcome::Ok, "non presente"}},
        {ImageSizeLine(456, 684, true), {Outcome::Ok, "456 x 684"}},
        {ImageSizeLine(0, 684, false), {Outcome::Warning, "IMAGECOLUMNS=0"}},
        {ImageSizeLine(100000, 100000, false), {Outcome::Warning, "IMAGEROWS=100000"}},
        {FreeSpaceLine("D", 1000ull << 20, 1 << 20), {Outcome::Ok, "1000 MB, 1000 immagini"}},
        {FreeSpaceLine("D", 50ull << 20, 1 << 20), {Outcome::Warning, "50 immagini"}},
        {FreeSpaceLine("D", 1000, 1 << 20), {Outcome::Error, "0 immagini"}},
        {HardwareLine(0, 54, "Gendex CCD38"), {Outcome::Ok, "Gendex CCD38 (tipo 54)"}},
        {HardwareLine(0, 55, "Hardware failure"), {Outcome::Warning, "non riconosciuto (tipo 55)"}},
        {HardwareLine(0x30, 54, "Gendex CCD38"), {Outcome::Error, "stato 48 \"FG NOT RESPONDING\""}},
        {HardwareLine(0xE0, 54, "Gendex CCD38"), {Outcome::Error, "cavo"}},
        {HardwareLine(18, 54, "Gendex CCD38"), {Outcome::Error, "stato 18: comunicare"}},
        {LoadFailureLine("C:\\T\\vix32.dll", 126, "Modulo non trovato"),
         {Outcome::Error, "non carica C:\\T\\vix32.dll, errore 126 \"Modulo non trovato\""}},
        {LoadFailureLine("C:\\T\\vix32.dll", 126, ""), {Outcome::Error, "manca una DLL da cui dipende"}},
        {OtherFileLoadedLine("C:\\T\\vix32.dll", "C:\\W\\vix32.dll"),
         {Outcome::Warning, "caricato C:\\W\\vix32.dll, non C:\\T\\vix32.dll"}},
        {FolderLine("I", "F", false, true, false), {Outcome::Ok, "F, non ancora creata"}},
        {FolderLine("I", "F", false, false, false), {Outcome::Error, "F non si puo' creare"}},
        {FolderLine("I", "F", true, false, false), {Outcome::Error, "F non si puo' scrivere"}},
        {FolderLine("I", "F", true, true, true), {Outcome::Error, "cartella temporanea"}},
        {FolderLine("I", "F", true, true, false), {Outcome::Ok, "F, scrivibile"}},
        {FileInEffectLine("vixwin.ini", false, "C:\\W\\vixwin.ini", true, "S\\vixwin.ini", true),
         {Outcome::Ok, "C:\\W\\vixwin.ini; la copia S\\vixwin.ini non vale per Tavro"}},
        {FileInEffectLine("tavro.ini", true, "C:\\W\\tavro.ini", true, "S\\tavro.ini", true),
         {Outcome::Ok, "la sua copia S\\tavro.ini (non C:\\W\\tavro.ini)"}},
        {FileInEffectLine("tavro.ini", false, "C:\\W\\tavro.ini", true, "S\\tavro.ini", true),
         {Outcome::Ok, "questo utente C:\\W\\tavro.ini"}},
        {FileInEffectLine("vixwin.ini", false, "C:\\W\\vixwin.ini", false, "S\\vixwin.ini", false),
         {Outcome::Warning, "assente"}},
    };
    for (const auto &c : cases)
        ExpectLine(c.line, c.expected);
    EXPECT_FALSE(IsVistaOrLater(5));
    EXPECT_TRUE(IsVistaOrLater(6));
}

TEST(Verdict, ValuesOutsideTheSetupDialogsRangesAreNamed)
{
    const struct {
        const char *text;
        const char *part; // none: no line
    } cases[] = {
        {"[GXDriver]\nMemBase=0XD7\nPortBase=0X320\nIRQ=10\nIntegrationTime=500\n", nullptr},
        {"[GXDriver]\nMemBase=0XF0\n", "[GXDriver] MemBase=0XF0 e' fuori dai valori ammessi (da 0XC0 a 0XEF)"},
        {"[GXDriver]\nPortBase=0x321\n", "a passi di 8"},
        {"[GXDriver]\nIntegrationTime=550\n", "da 100 a 900 a passi di 100"},
        {"[gxdriver]\nirq=16\n", "IRQ=16"},
        {"[GXDriver]\nIRQ=dieci\n", "non e' un numero"},
        {"[GXDriver]\nIRQ=2\n", "IRQ=2 e' fuori dai valori"}, // one below the range
        {"[GXDriver]\nMemBase=0XBF\n", "MemBase=0XBF e' fuori dai valori"},
        {"[GXDriver]\nIntegrationTime=99\n", "IntegrationTime=99 e' fuori dai valori"},
        {"[Filter]\nLog=2\n", "[Filter] Log=2"},
        {"[Acquire]\nDirection=5\n", "Direction=5"},
    };
    for (const auto &c : cases) {
        const CheckLines lines = RangeLines(ParseProfile(c.text));
        if (!c.part) {
            EXPECT_TRUE(lines.empty()) << c.text;
            continue;
        }
        ASSERT_EQ(lines.size(), 1u) << c.text;
        ExpectLine(lines[0], {Outcome::Warning, c.part});
    }
}

TEST(Verdict, EachDifferingKeyIsNamedWithBothValues)
{
    const ProfileValues windows = ParseProfile("[GXDriver]\r\nIRQ=5\r\nMemBase=0XD7\r\n");
    const ProfileValues store = ParseProfile("[GXDriver]\r\nIRQ=7\r\nMemBase=0XD7\r\nPortBase=0X300\r\n");
    const CheckLines lines = DifferingKeyLines("vixwin.ini", "D:\\WINNT", windows, store);
    ASSERT_EQ(lines.size(), 2u);
    ExpectLine(lines[0], {Outcome::Warning, "[gxdriver] irq vale \"5\" in D:\\WINNT e \"7\" nella copia"});
    ExpectLine(lines[1], {Outcome::Warning, "[gxdriver] portbase vale (assente) in D:\\WINNT e \"0X300\""});
    ExpectLine(lines[0], {Outcome::Warning, "Gli strumenti del fornitore scrivono D:\\WINNT"});
}

// Numbers as Tavro reads them: the same number in other words is no difference.
TEST(Verdict, KeysOfTheSameNumberDoNotDiffer)
{
    const struct {
        const char *windows, *store;
        bool differ;
    } cases[] = {
        {"0xd7", "215", false}, {"0XD7", "215", false}, {"0XD7", "0xd7", false}, {" 10", "10", false},
        {"12abc", "12", false}, {"0XD7", "0XD8", true}, {"dieci", "10", true},   {"abc", "abc", false},
        {"abc", "ABC", true},
    };
    for (const auto &c : cases) {
        const CheckLines lines = DifferingKeyLines("vixwin.ini", "C:\\Windows",
                                                   ParseProfile(std::string("[G]\nK=") + c.windows + "\n"),
                                                   ParseProfile(std::string("[G]\nK=") + c.store + "\n"));
        EXPECT_EQ(lines.size(), c.differ ? 1u : 0u) << c.windows << " / " << c.store;
    }
}

// Tavro writes its own settings to the copy it is given: that is not the vendor's doing.
TEST(Verdict, TavroIniDifferencesBlameNoVendorTool)
{
    const CheckLines lines = DifferingKeyLines("tavro.ini", "C:\\Windows", ParseProfile("[Tavro]\nX=1\n"),
                                               ParseProfile("[Tavro]\nX=200\n"));
    ASSERT_EQ(lines.size(), 1u);
    ExpectLine(lines[0], {Outcome::Warning, "Tavro scrive le sue impostazioni nella copia VirtualStore"});
    EXPECT_EQ(lines[0].text.find("fornitore"), std::string::npos) << lines[0].text;
}

TEST(Verdict, TheCopyInEffectIsTheVirtualStoresFromVistaOnForAVirtualizedProcess)
{
    const struct {
        bool vista, virtualized, storeExists, inEffect;
    } cases[] = {
        {true, true, true, true},
        {false, true, true, false}, // Windows XP: no VirtualStore
        {true, false, true, false}, // 64 bit, or UAC off
        {true, true, false, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(StoreCopyInEffect(c.vista, c.virtualized, c.storeExists), c.inEffect)
            << c.vista << c.virtualized << c.storeExists;
}

TEST(Verdict, ALibraryMissingOnlyMenuFunctionsIsAWarning)
{
    PeFacts facts;
    facts.portableExecutable = facts.dll = true;
    facts.machine = MACHINE_I386;
    for (const GendexEntryName &entry : GENDEX_ENTRIES)
        if (std::string(entry.name) != "GVGNoXrayGrab")
            facts.exports.push_back(entry.name);
    const CheckLines lines = LibraryLines("C:\\vix32.dll", "1.0.0.0", facts, MACHINE_I386);
    ExpectLine(lines.back(), {Outcome::Warning, "mancano le funzioni GVGNoXrayGrab:"});
    EXPECT_EQ(CountOf(lines, Outcome::Error), 0);
}

TEST(Verdict, AFileThatIsNoPortableExecutableIsDamaged)
{
    EXPECT_FALSE(ReadPeFacts({}).portableExecutable);
    EXPECT_FALSE(ReadPeFacts(std::vector<unsigned char>(512, 'M')).portableExecutable);
    ExpectLine(LibraryLines("C:\\vix32.dll", "sconosciuta", PeFacts(), MACHINE_I386).back(),
               {Outcome::Error, "danneggiata"});
}

void PutBytes(std::vector<unsigned char> &file, size_t at, unsigned value, int count)
{
    for (int i = 0; i < count; ++i)
        file[at + i] = static_cast<unsigned char>(value >> 8 * i);
}

void Put32(std::vector<unsigned char> &file, size_t at, unsigned value) { PutBytes(file, at, value, 4); }

// A small 32-bit DLL: one section holding an export table of two names.
std::vector<unsigned char> SmallDll()
{
    std::vector<unsigned char> file(0x400);
    auto put16 = [&](size_t at, unsigned value) { PutBytes(file, at, value, 2); };
    auto put32 = [&](size_t at, unsigned value) { PutBytes(file, at, value, 4); };
    put16(0, 0x5A4D);
    put32(0x3C, 0x40);
    put32(0x40, 0x4550);
    put16(0x44, MACHINE_I386);
    put16(0x46, 1);          // sections
    put16(0x54, 0xE0);       // SizeOfOptionalHeader
    put16(0x56, 0x2102);     // a DLL
    put16(0x58, 0x10B);      // PE32
    put32(0x58 + 92, 16);    // NumberOfRvaAndSizes
    put32(0x58 + 96, 0x1000); // the export directory
    put32(0x58 + 100, 0x100);
    const size_t section = 0x58 + 0xE0;
    put32(section + 8, 0x200);  // VirtualSize
    put32(section + 12, 0x1000); // VirtualAddress
    put32(section + 16, 0x200); // SizeOfRawData
    put32(section + 20, 0x200); // PointerToRawData
    put32(0x200 + 24, 2);       // NumberOfNames
    put32(0x200 + 32, 0x1040);  // AddressOfNames
    put32(0x240, 0x1080);
    put32(0x244, 0x1090);
    for (const char *c = "Alpha"; *c; ++c)
        file[0x280 + (c - "Alpha")] = static_cast<unsigned char>(*c);
    for (const char *c = "Beta"; *c; ++c)
        file[0x290 + (c - "Beta")] = static_cast<unsigned char>(*c);
    return file;
}

TEST(Verdict, HostileHeadersReadAsDamagedWithoutReadingOutsideTheFile)
{
    const size_t section = 0x58 + 0xE0;
    const struct {
        const char *name;
        std::function<void(std::vector<unsigned char> &)> change;
        bool portable;
        size_t exports;
    } cases[] = {
        {"as made", [](std::vector<unsigned char> &) {}, true, 2},
        {"e_lfanew near 4 GB", [](std::vector<unsigned char> &f) { Put32(f, 0x3C, 0xFFFFFFF8); }, false, 0},
        {"e_lfanew at the end", [](std::vector<unsigned char> &f) { Put32(f, 0x3C, 0x3FE); }, false, 0},
        {"section outside the file", [=](std::vector<unsigned char> &f) { Put32(f, section + 20, 0xFFFFFF00); },
         false, 0},
        {"0xFFFF sections", [](std::vector<unsigned char> &f) { f[0x46] = f[0x47] = 0xFF; }, false, 0},
        {"names outside the file", [](std::vector<unsigned char> &f) { Put32(f, 0x200 + 32, 0xFFFFFFF0); }, false,
         0},
        {"a huge name count", [](std::vector<unsigned char> &f) { Put32(f, 0x200 + 24, 0xFFFFFFFF); }, false, 0},
        {"no directories", [](std::vector<unsigned char> &f) { Put32(f, 0x58 + 92, 0); }, true, 0},
        {"optional header too small", [](std::vector<unsigned char> &f) { f[0x54] = 64; }, false, 0},
        {"name truncated by the file's end", [](std::vector<unsigned char> &f) { f.resize(0x292); }, true, 2},
        {"name pointer near 4 GB", [](std::vector<unsigned char> &f) { Put32(f, 0x244, 0xFFFFFFFF); }, true, 2},
    };
    for (const auto &c : cases) {
        std::vector<unsigned char> file = SmallDll();
        c.change(file);
        const PeFacts facts = ReadPeFacts(file);
        EXPECT_EQ(facts.portableExecutable, c.portable) << c.name;
        EXPECT_EQ(facts.exports.size(), c.exports) << c.name;
        if (c.portable && c.exports) {
            EXPECT_EQ(facts.exports[0], "Alpha") << c.name;
        }
    }
    PeFacts tooLarge;
    tooLarge.tooLarge = true;
    ExpectLine(LibraryLines("C:\\vix32.dll", "sconosciuta", tooLarge, MACHINE_I386).back(),
               {Outcome::Error, "danneggiata o troppo grande"});
}

} // namespace
