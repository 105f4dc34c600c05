#include "verifica/verdict.h"

#include <gtest/gtest.h>

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
    const struct {
        bool vista;
        long ours, theirs;
        Expected expected;
    } cases[] = {
        {false, LEVEL_UNKNOWN, LEVEL_UNKNOWN, {Outcome::Ok, "non applicabile"}},
        {true, LEVEL_MEDIUM, LEVEL_MEDIUM, {Outcome::Ok, "non piu' alto"}},
        {true, LEVEL_HIGH, LEVEL_MEDIUM, {Outcome::Ok, "medio"}},
        {true, LEVEL_MEDIUM, LEVEL_HIGH, {Outcome::Error, "non \"come amministratore\""}},
        {true, LEVEL_MEDIUM, 0x4000, {Outcome::Error, "sistema"}},
        {true, LEVEL_MEDIUM, LEVEL_UNKNOWN, {Outcome::Warning, "amministratore"}},
    };
    for (const auto &c : cases)
        ExpectLine(RightsLine("MORV_FOTO_SERVER", c.vista, c.ours, c.theirs), c.expected);
    ExpectLine(OwnRightsLine(true, LEVEL_HIGH), {Outcome::Warning, "come amministratore"});
    ExpectLine(OwnRightsLine(true, LEVEL_MEDIUM), {Outcome::Ok, "operatore"});
    ExpectLine(OwnRightsLine(false, LEVEL_UNKNOWN), {Outcome::Ok, "operatore"});
}

TEST(Verdict, WindowsBeforeXpSp3IsAnErrorAndElevenIsNamed)
{
    ExpectLine(WindowsLine(5, 1, 2600, 2), {Outcome::Error, "XP SP3"});
    ExpectLine(WindowsLine(5, 0, 2195, 4), {Outcome::Error, "XP SP3"});
    ExpectLine(WindowsLine(5, 1, 2600, 3), {Outcome::Ok, "Windows XP (5.1, build 2600, Service Pack 3)"});
    ExpectLine(WindowsLine(10, 0, 19045, 0), {Outcome::Ok, "Windows 10"});
    ExpectLine(WindowsLine(10, 0, 22631, 0), {Outcome::Ok, "Windows 11"});
    EXPECT_FALSE(IsVistaOrLater(5));
    EXPECT_TRUE(IsVistaOrLater(6));
}

TEST(Verdict, DepForAllProgramsIsAWarning)
{
    ExpectLine(DepLine(0), {Outcome::Ok, "predefinita"});
    ExpectLine(DepLine(2), {Outcome::Ok, "predefinita"});
    ExpectLine(DepLine(1), {Outcome::Warning, "senza eccezioni"});
    ExpectLine(DepLine(3), {Outcome::Warning, "aggiungere tavro.exe alle eccezioni"});
    ExpectLine(DepLine(-1), {Outcome::Ok, "non presente"});
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

TEST(Verdict, AnImageSizeNoBlockHoldsIsAWarning)
{
    ExpectLine(ImageSizeLine(456, 684, true), {Outcome::Ok, "456 x 684"});
    ExpectLine(ImageSizeLine(0, 684, false), {Outcome::Warning, "IMAGECOLUMNS=0"});
    ExpectLine(ImageSizeLine(100000, 100000, false), {Outcome::Warning, "IMAGEROWS=100000"});
}

TEST(Verdict, EachDifferingKeyIsNamedWithBothValues)
{
    const ProfileValues windows = ParseProfile("[GXDriver]\r\nIRQ=5\r\nMemBase=0XD7\r\n");
    const ProfileValues store = ParseProfile("[GXDriver]\r\nIRQ=7\r\nMemBase=0XD7\r\nPortBase=0X300\r\n");
    const CheckLines lines = DifferingKeyLines("vixwin.ini", windows, store);
    ASSERT_EQ(lines.size(), 2u);
    ExpectLine(lines[0], {Outcome::Warning, "[gxdriver] irq vale \"5\" in C:\\Windows e \"7\" nella copia"});
    ExpectLine(lines[1], {Outcome::Warning, "[gxdriver] portbase vale (assente) in C:\\Windows e \"0X300\""});
}

TEST(Verdict, TheCopyInEffectIsTheVirtualStoresFromVistaOn)
{
    ExpectLine(FileInEffectLine("tavro.ini", true, "C:\\W\\tavro.ini", true, "S\\tavro.ini", true),
               {Outcome::Ok, "la sua copia S\\tavro.ini (non C:\\W\\tavro.ini)"});
    ExpectLine(FileInEffectLine("tavro.ini", false, "C:\\W\\tavro.ini", true, "S\\tavro.ini", true),
               {Outcome::Ok, "questo utente C:\\W\\tavro.ini"});
    ExpectLine(FileInEffectLine("vixwin.ini", true, "C:\\W\\vixwin.ini", false, "S\\vixwin.ini", false),
               {Outcome::Warning, "assente"});
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

TEST(Verdict, SpaceIsCountedInImages)
{
    ExpectLine(FreeSpaceLine("D", 1000ull << 20, 1 << 20), {Outcome::Ok, "1000 MB, 1000 immagini"});
    ExpectLine(FreeSpaceLine("D", 50ull << 20, 1 << 20), {Outcome::Warning, "50 immagini"});
    ExpectLine(FreeSpaceLine("D", 1000, 1 << 20), {Outcome::Error, "0 immagini"});
}

TEST(Verdict, HardwareStatusesCarryTheLibrarysTextAndTheirMeaning)
{
    ExpectLine(HardwareLine(0, 54, "Gendex CCD38"), {Outcome::Ok, "Gendex CCD38 (tipo 54)"});
    ExpectLine(HardwareLine(0, 55, "Hardware failure"), {Outcome::Warning, "non riconosciuto (tipo 55)"});
    ExpectLine(HardwareLine(0x30, 54, "Gendex CCD38"), {Outcome::Error, "stato 48 \"FG NOT RESPONDING\""});
    ExpectLine(HardwareLine(0xE0, 54, "Gendex CCD38"), {Outcome::Error, "cavo"});
    ExpectLine(HardwareLine(18, 54, "Gendex CCD38"), {Outcome::Error, "stato 18: comunicare"});
}

} // namespace
