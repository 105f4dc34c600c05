#include "verifica/verdict.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "resources/interfaces.h"
#include "resources/resource.h"
#include "sensor/gendex_names.h"
#include "shell/profile_text.h"

namespace {

CheckLine Ok(const std::string &text) { return {Outcome::Ok, text}; }
CheckLine Warning(const std::string &text) { return {Outcome::Warning, text}; }
CheckLine Error(const std::string &text) { return {Outcome::Error, text}; }

std::string Number(unsigned long long value) { return std::to_string(value); }

std::string Hex(unsigned value)
{
    const char digits[] = "0123456789ABCDEF";
    std::string text;
    do
        text.insert(text.begin(), digits[value % 16]);
    while (value /= 16);
    return "0X" + text;
}

std::string Lower(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string Trim(const std::string &text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t\r") + 1 - first);
}

// --- Reading a PE file's headers ---

// Offsets are 64-bit: a hostile e_lfanew or section pointer near 4 GB must not wrap around
// on a 32-bit build.
typedef unsigned long long Offset;

bool Holds(const std::vector<unsigned char> &file, Offset offset, Offset bytes)
{
    return offset <= file.size() && file.size() - offset >= bytes;
}

unsigned Read16(const std::vector<unsigned char> &file, Offset offset)
{
    return Holds(file, offset, 2) ? file[offset] | file[offset + 1] << 8 : 0;
}

unsigned Read32(const std::vector<unsigned char> &file, Offset offset)
{
    return Holds(file, offset, 4) ? static_cast<unsigned>(Read16(file, offset) | Read16(file, offset + 2) << 16) : 0;
}

const Offset SECTION_HEADER = 40;

struct Sections {
    const std::vector<unsigned char> &file;
    Offset table;
    unsigned count;

    // The file offset of a relative virtual address, or 0 when no section holds it.
    Offset FileOffset(unsigned rva) const
    {
        for (unsigned i = 0; i < count; ++i) {
            const Offset header = table + i * SECTION_HEADER;
            const unsigned size = std::max(Read32(file, header + 8), Read32(file, header + 16));
            const unsigned start = Read32(file, header + 12);
            if (rva >= start && rva - start < size)
                return Offset(Read32(file, header + 20)) + (rva - start);
        }
        return 0;
    }
};

std::string ReadName(const std::vector<unsigned char> &file, Offset offset)
{
    std::string name;
    while (offset && offset < file.size() && file[offset] && name.size() < 256)
        name += static_cast<char>(file[offset++]);
    return name;
}

const char *Width(unsigned machine)
{
    if (machine == MACHINE_I386)
        return "32 bit";
    if (machine == MACHINE_AMD64)
        return "64 bit";
    return nullptr;
}

std::string HardwareMeaning(unsigned short status)
{
    switch (status) {
    case 0x30: case 0x40: case 0x50: case 0x51:
        return "il frame grabber non risponde agli indirizzi configurati: controllare IRQ, MemBase e PortBase "
               "in \"Hardware Setup\" con l'installazione del fornitore";
    case 0x28: case 0x29:
        return "il driver del fornitore non e' installato o non e' avviato: reinstallare il software del fornitore";
    case 0xE0: case 0x70:
        return "controllare il cavo e il connettore del sensore";
    case 0x20:
        return "un altro programma usa il sensore: chiuderlo";
    case 0x22:
        return "la libreria non funziona su questa versione di Windows: chiedere al fornitore quella adatta";
    default:
        return "comunicare il codice al fornitore del sensore";
    }
}

struct Range {
    const char *section;
    const char *key;
    int low, high, step;
    bool hexadecimal;
};

// What the library's filters and its acquisition take.
const Range OTHER_RANGES[] = {
    {"Filter", "Log", 0, 1, 1, false},
    {"Filter", "Equal", 0, 1, 1, false},
    {"Filter", "Despeck", 0, 1, 1, false},
    {"Acquire", "Direction", 1, 4, 1, false},
};

// The entries the setup dialog offers, then the others.
std::vector<Range> Ranges()
{
    std::vector<Range> ranges;
    for (const GendexDriverSetting &setting : GENDEX_DRIVER_SETTINGS)
        ranges.push_back({"GXDriver", setting.key, setting.first, setting.last, setting.step, setting.hexadecimal});
    ranges.insert(ranges.end(), std::begin(OTHER_RANGES), std::end(OTHER_RANGES));
    return ranges;
}

std::string RangeText(const Range &range)
{
    const bool hex = range.hexadecimal;
    std::string text = "da " + (hex ? Hex(range.low) : Number(range.low)) + " a " +
                       (hex ? Hex(range.high) : Number(range.high));
    if (range.step > 1)
        text += " a passi di " + Number(range.step);
    return text;
}

std::string LevelName(long level)
{
    if (level >= 0x4000)
        return "sistema";
    if (level >= LEVEL_HIGH)
        return "alto (amministratore)";
    if (level >= LEVEL_MEDIUM)
        return "medio (utente)";
    return "basso";
}

} // namespace

std::string FormatLine(const CheckLine &line)
{
    static const char *const NAMES[] = {"OK          ", "ATTENZIONE  ", "ERRORE      "};
    return NAMES[static_cast<int>(line.outcome)] + line.text;
}

int CountOf(const CheckLines &lines, Outcome outcome)
{
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [outcome](const CheckLine &line) { return line.outcome == outcome; }));
}

PeFacts ReadPeFacts(const std::vector<unsigned char> &file)
{
    PeFacts facts;
    if (Read16(file, 0) != 0x5A4D) // "MZ"
        return facts;
    const Offset pe = Read32(file, 0x3C);
    if (!Holds(file, pe, 24) || Read32(file, pe) != 0x4550) // "PE\0\0" and the file header
        return facts;
    facts.machine = Read16(file, pe + 4);
    facts.dll = (Read16(file, pe + 22) & 0x2000) != 0;
    const Offset optional = pe + 24;
    const unsigned optionalSize = Read16(file, pe + 20);
    const unsigned magic = Read16(file, optional);
    if (magic != 0x10B && magic != 0x20B)
        return facts;
    const unsigned directoryCount = magic == 0x10B ? 92 : 108; // NumberOfRvaAndSizes
    const unsigned firstDirectory = directoryCount + 4;
    if (optionalSize < firstDirectory || !Holds(file, optional, optionalSize))
        return facts;
    const Sections sections = {file, optional + optionalSize, Read16(file, pe + 6)};
    if (!Holds(file, sections.table, sections.count * SECTION_HEADER))
        return facts;
    // The export directory is there only when the header counts it and has room for it.
    const bool hasExports = Read32(file, optional + directoryCount) >= 1 && optionalSize >= firstDirectory + 8;
    const unsigned exportRva = hasExports ? Read32(file, optional + firstDirectory) : 0;
    if (exportRva) {
        const Offset table = sections.FileOffset(exportRva);
        if (!table || !Holds(file, table, 40))
            return facts;
        const unsigned count = Read32(file, table + 24);
        const Offset names = sections.FileOffset(Read32(file, table + 32));
        if (count && (!names || !Holds(file, names, 4ull * std::min(count, 4096u))))
            return facts;
        for (unsigned i = 0; i < count && i < 4096; ++i)
            facts.exports.push_back(ReadName(file, sections.FileOffset(Read32(file, names + 4ull * i))));
    }
    facts.portableExecutable = true;
    return facts;
}

CheckLines LibraryLines(const std::string &path, const std::string &version, const PeFacts &facts,
                        unsigned ourMachine)
{
    CheckLines lines;
    lines.push_back(Ok("Libreria: trovata " + path + ", versione " + version));
    if (facts.tooLarge) {
        lines.push_back(Error("Libreria: " + path + " e' danneggiata o troppo grande per la libreria del sensore "
                              "(oltre " + Number(LARGEST_LIBRARY_BYTES >> 20) + " MB). Reinstallare il software del "
                              "fornitore del sensore"));
        return lines;
    }
    if (!facts.portableExecutable || !facts.dll) {
        lines.push_back(Error("Libreria: " + path + " e' danneggiata o non e' una DLL. Reinstallare il software "
                              "del fornitore del sensore"));
        return lines;
    }
    const char *theirs = Width(facts.machine);
    const char *ours = Width(ourMachine);
    if (facts.machine != ourMachine) {
        lines.push_back(Error(std::string("Libreria: e' una DLL ") + (theirs ? "a " + std::string(theirs)
                                                                              : "per un altro processore") +
                              ", Tavro e' un programma a " + ours + " e non puo' caricarla. Mettere accanto a "
                              "tavro.exe la vix32.dll a " + ours + " del fornitore"));
        return lines;
    }
    lines.push_back(Ok(std::string("Libreria: DLL a ") + ours));
    std::string missingRequired, missingOther;
    for (const GendexEntryName &entry : GENDEX_ENTRIES) {
        if (std::find(facts.exports.begin(), facts.exports.end(), entry.name) != facts.exports.end())
            continue;
        std::string &list = entry.required ? missingRequired : missingOther;
        list += (list.empty() ? "" : ", ") + std::string(entry.name);
    }
    if (!missingRequired.empty())
        lines.push_back(Error("Libreria: mancano le funzioni " + missingRequired + ": Tavro non parte. Non e' la "
                              "libreria Gendex o e' troppo vecchia: installare il software attuale del fornitore"));
    if (!missingOther.empty())
        lines.push_back(Warning("Libreria: mancano le funzioni " + missingOther + ": le voci di menu che le usano "
                                "non fanno nulla. Installare il software attuale del fornitore"));
    if (missingRequired.empty() && missingOther.empty())
        lines.push_back(Ok("Libreria: presenti tutte le " + Number(GENDEX_ENTRY_COUNT) + " funzioni"));
    return lines;
}

CheckLine NoLibraryLine()
{
    return Error("Libreria: vix32.dll non trovata, Tavro mostrera' \"LoadLibrary failed!\". Copiare la vix32.dll "
                 "del fornitore accanto a tavro.exe");
}

CheckLine SimulatedLibraryLine(const std::string &productName)
{
    if (productName != SIMULATED_LIBRARY_PRODUCT)
        return Ok("Libreria: non e' la libreria simulata della dimostrazione");
    return Error("Libreria: e' la libreria SIMULATA della dimostrazione (\"" + productName + "\"): consegna "
                 "un'immagine di prova, non una radiografia. Sostituirla con la vix32.dll del fornitore");
}

CheckLine LoadFailureLine(const std::string &path, unsigned long error, const std::string &systemText)
{
    // 126: the file is there, so one of the DLLs it imports is not.
    const std::string fix = error == 126 ? "manca una DLL da cui dipende (un componente del software del fornitore "
                                           "o un runtime): reinstallare il software del fornitore del sensore"
                                         : "reinstallare il software del fornitore del sensore";
    return Error("Libreria: Windows non carica " + path + ", errore " + Number(error) +
                 (systemText.empty() ? std::string() : " \"" + systemText + "\"") + ": Tavro mostrera' "
                 "\"LoadLibrary failed!\". Causa probabile: " + fix);
}

CheckLine OtherFileLoadedLine(const std::string &found, const std::string &loaded)
{
    return Warning("Libreria: Windows ha caricato " + loaded + ", non " + found + " trovata nella ricerca: le righe "
                   "sopra valgono per quest'ultima. Togliere la copia che non deve essere usata");
}

CheckLine HardwareLine(unsigned short status, unsigned short hardwareType, const std::string &label)
{
    const std::string type = label + " (tipo " + Number(hardwareType) + ")";
    if (status == 0) {
        if (GendexHardwareLabel(hardwareType) == IDS_HARDWARE_FAILURE)
            return Warning("Hardware: aperto e chiuso, modello non riconosciuto (tipo " + Number(hardwareType) +
                           "): il sensore funziona se Tavro mostra \"Attesa raggi...\"");
        return Ok("Hardware: aperto e chiuso, " + type);
    }
    const char *text = GendexErrorText(status);
    return Error("Hardware: la libreria non apre il sensore, stato " + Number(status) +
                 (text ? " \"" + std::string(text) + "\"" : std::string()) + ": " + HardwareMeaning(status));
}

CheckLine TavroRunningLine()
{
    return Warning("Hardware: Tavro e' in esecuzione e tiene il sensore, che non e' stato aperto (due programmi non "
                   "devono mai tenerlo). Chiudere Tavro e ripetere la verifica per provare l'hardware");
}

CheckLine HardwareInterruptedLine()
{
    return Error("Hardware: la verifica si e' interrotta mentre la libreria apriva il sensore: la libreria del "
                 "fornitore si e' arrestata o bloccata, e fara' lo stesso con Tavro. Comunicarlo al fornitore");
}

CheckLine HardwareNotTriedLine(const std::string &reason)
{
    return Warning("Hardware: non provato, " + reason + ". Ripetere la verifica dopo aver corretto la libreria");
}

ProfileValues ParseProfile(const std::string &text)
{
    ProfileValues values;
    std::string section;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line[0] == '[') {
            section = Lower(Trim(line.substr(1, line.find(']') - 1)));
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos || line[0] == ';')
            continue;
        values.emplace("[" + section + "] " + Lower(Trim(line.substr(0, equals))), Trim(line.substr(equals + 1)));
    }
    return values;
}

bool StoreCopyInEffect(bool vista, bool virtualized, bool storeExists) { return vista && virtualized && storeExists; }

CheckLine FileInEffectLine(const char *name, bool storeInEffect, const std::string &windowsPath, bool windowsExists,
                           const std::string &storePath, bool storeExists)
{
    const std::string subject = std::string(name) + ": ";
    if (storeInEffect)
        return Ok(subject + "Windows da' a questo utente la sua copia " + storePath + " (non " + windowsPath + ")");
    // A copy left by a program that is virtualized, which Tavro is not (64 bit, or UAC off).
    const std::string unused = storeExists ? "; la copia " + storePath + " non vale per Tavro" : std::string();
    if (windowsExists)
        return Ok(subject + "Windows da' a questo utente " + windowsPath + unused);
    if (std::string(name) == "vixwin.ini")
        return Warning(subject + "assente, la libreria usa i valori predefiniti. Installare il software del "
                                 "fornitore, che lo scrive in " + windowsPath + unused);
    return Ok(subject + "assente, Tavro usa i valori predefiniti" + unused);
}

CheckLines DifferingKeyLines(const char *name, const std::string &windowsFolder, const ProfileValues &windows,
                             const ProfileValues &store)
{
    CheckLines lines;
    auto value = [](const ProfileValues &values, const std::string &key) {
        const auto found = values.find(key);
        return found == values.end() ? std::string("(assente)") : "\"" + found->second + "\"";
    };
    // As Tavro reads them: text without a number gives the default, so two defaults tell.
    auto same = [](const ProfileValues &a, const ProfileValues &b, const std::string &key) {
        const auto x = a.find(key), y = b.find(key);
        if (x == a.end() || y == b.end())
            return x == a.end() && y == b.end();
        const char *p = x->second.c_str(), *q = y->second.c_str();
        const bool numbers =
            ParseProfileInt(p, 0) == ParseProfileInt(p, 1) && ParseProfileInt(q, 0) == ParseProfileInt(q, 1);
        return numbers ? ParseProfileInt(p, 0) == ParseProfileInt(q, 0) : x->second == y->second;
    };
    // Tavro itself writes its settings to the copy it is given; the vendor's tools write the
    // Windows folder's copy, which Tavro then no longer sees.
    const std::string fix = std::string(name) == "vixwin.ini"
                                ? "Gli strumenti del fornitore scrivono " + windowsFolder + ": cancellare la copia "
                                  "VirtualStore o correggerla"
                                : "Tavro scrive le sue impostazioni nella copia VirtualStore: correggere quella, il "
                                  "file in " + windowsFolder + " non conta";
    ProfileValues keys = windows;
    keys.insert(store.begin(), store.end());
    for (const auto &key : keys) {
        if (same(windows, store, key.first))
            continue;
        lines.push_back(Warning(std::string(name) + ": " + key.first + " vale " + value(windows, key.first) + " in " +
                                windowsFolder + " e " + value(store, key.first) + " nella copia VirtualStore, che "
                                "Tavro legge. " + fix));
    }
    return lines;
}

CheckLines RangeLines(const ProfileValues &vixwin)
{
    CheckLines lines;
    for (const Range &range : Ranges()) {
        const auto found = vixwin.find("[" + Lower(range.section) + "] " + Lower(range.key));
        if (found == vixwin.end())
            continue;
        const std::string where = std::string("vixwin.ini: [") + range.section + "] " + range.key + "=" + found->second;
        const char *text = found->second.c_str();
        const int value = ParseProfileInt(text, 0);
        if (value != ParseProfileInt(text, 1))
            lines.push_back(Warning(where + " non e' un numero, vale il predefinito. Correggerlo in \"Hardware Setup\""
                                    " o con gli strumenti del fornitore"));
        else if (value < range.low || value > range.high || (value - range.low) % range.step)
            lines.push_back(Warning(where + " e' fuori dai valori ammessi (" + RangeText(range) + "). Correggerlo "
                                    "in \"Hardware Setup\" o con gli strumenti del fornitore"));
    }
    return lines;
}

CheckLine ImageSizeLine(int columns, int rows, bool fits)
{
    const std::string size = Number(static_cast<unsigned>(std::max(columns, 0))) + " x " +
                             Number(static_cast<unsigned>(std::max(rows, 0)));
    if (columns > 0 && rows > 0 && fits)
        return Ok("vixwin.ini: dimensione dell'immagine " + size);
    return Warning("vixwin.ini: [Dimension] IMAGECOLUMNS=" + std::to_string(columns) + ", IMAGEROWS=" +
                   std::to_string(rows) + ": nessuna immagine di questa dimensione si puo' creare. Rimettere i valori "
                   "del fornitore (456 e 684 se mancano)");
}

CheckLine ReceiverLine(const char *windowClass, bool running)
{
    if (running)
        return Ok(std::string("Ricevente ") + windowClass + ": in esecuzione");
    return Warning(std::string("Ricevente ") + windowClass + ": non in esecuzione, le immagini andranno nella "
                   "cartella delle immagini non consegnate. Avviarla prima di Tavro");
}

long NormalLevel(bool elevated, long ours, long shell)
{
    if (!elevated)
        return ours;
    return shell == LEVEL_UNKNOWN ? LEVEL_MEDIUM : shell;
}

CheckLine RightsLine(const char *windowClass, bool vista, long tavro, long theirs)
{
    const std::string subject = std::string("Ricevente ") + windowClass + ", diritti: ";
    if (!vista)
        return Ok(subject + "non applicabile (Windows XP)");
    // A process of higher integrity denies a medium one even the query of its level.
    if (theirs == LEVEL_UNKNOWN) {
        const std::string text = "non leggibili, e' probabilmente eseguita come amministratore e ";
        if (tavro != LEVEL_UNKNOWN && tavro <= LEVEL_MEDIUM)
            return Error(subject + text + "rifiuta i messaggi di Tavro. Avviarla normalmente, non \"come "
                                          "amministratore\"");
        return Warning(subject + text + "puo' rifiutare le immagini di Tavro. Avviarla normalmente, non \"come "
                                        "amministratore\"");
    }
    if (tavro != LEVEL_UNKNOWN && theirs > tavro)
        return Error(subject + "livello " + LevelName(theirs) + ", piu' alto di Tavro (" + LevelName(tavro) +
                     "): rifiuta i messaggi di Tavro. Avviarla normalmente, non \"come amministratore\"");
    return Ok(subject + "livello " + LevelName(theirs) + ", non piu' alto di Tavro");
}

CheckLine OwnRightsLine(bool vista, long ours, long tavro)
{
    if (vista && ours != LEVEL_UNKNOWN && tavro != LEVEL_UNKNOWN && ours > tavro)
        return Warning("Verifica eseguita come amministratore: i file e i diritti visti non sono quelli "
                       "dell'operatore. Eseguirla normalmente, come si avvia Tavro");
    return Ok("Verifica eseguita con i diritti dell'operatore");
}

CheckLine FolderLine(const char *what, const std::string &folder, bool exists, bool writable,
                     bool inTemporaryFolder)
{
    const std::string subject = std::string(what) + ": " + folder;
    if (!writable && !exists)
        return Error(subject + " non si puo' creare. Ridare all'utente il diritto di scrivere in "
                               "%LOCALAPPDATA%\\Tavro");
    if (!writable)
        return Error(subject + " non si puo' scrivere. Liberare spazio o ridare all'utente il diritto di scrivere "
                               "in %LOCALAPPDATA%\\Tavro");
    // The temporary folder is emptied by Windows' clean-up: no place for a radiograph.
    if (inTemporaryFolder)
        return Error(subject + ", nella cartella temporanea: %LOCALAPPDATA%\\Tavro non si puo' creare o "
                               "scrivere. Ridare all'utente il diritto di scrivervi");
    if (!exists)
        return Ok(subject + ", non ancora creata: Tavro la crea quando serve, e si puo' creare");
    return Ok(subject + ", scrivibile");
}

CheckLine FreeSpaceLine(const std::string &folder, unsigned long long freeBytes, unsigned long long imageBytes)
{
    const unsigned long long images = imageBytes ? freeBytes / imageBytes : 0;
    const std::string text = "Spazio libero in " + folder + ": " + Number(freeBytes >> 20) + " MB, " +
                             Number(images) + " immagini";
    if (images < 1)
        return Error(text + ". Un'immagine non consegnata andrebbe persa: liberare spazio sul disco");
    if (images < 100)
        return Warning(text + ". Liberare spazio sul disco");
    return Ok(text);
}

CheckLine WaitingImagesLine(int count, const std::string &oldest)
{
    if (count == 0)
        return Ok("Immagini non consegnate: nessuna in attesa");
    return Warning("Immagini non consegnate: " + Number(static_cast<unsigned>(count)) + " in attesa, la piu' vecchia "
                   "del " + oldest + ". Sono radiografie che mancano nella cartella del paziente: importarle a mano "
                   "nell'applicazione di imaging, poi toglierle dalla cartella");
}

bool IsVistaOrLater(unsigned major) { return major >= 6; }

CheckLine WindowsLine(unsigned major, unsigned minor, unsigned build, unsigned servicePack)
{
    static const struct {
        unsigned version;
        const char *name;
    } NAMES[] = {{501, "Windows XP"}, {502, "Windows XP x64 / Server 2003"}, {600, "Windows Vista"},
                 {601, "Windows 7"},  {602, "Windows 8"},                    {603, "Windows 8.1"}};
    const unsigned version = major * 100 + minor;
    std::string name = "Windows " + Number(major) + "." + Number(minor);
    for (const auto &known : NAMES)
        if (known.version == version)
            name = known.name;
    if (major == 10)
        name = build >= 22000 ? "Windows 11" : "Windows 10";
    std::string text = "Windows: " + name + " (" + Number(major) + "." + Number(minor) + ", build " + Number(build);
    if (servicePack)
        text += ", Service Pack " + Number(servicePack);
    text += ")";
    if (version < 501 || (version == 501 && servicePack < 3))
        return Error(text + ": Tavro richiede almeno Windows XP SP3. Aggiornare Windows");
    return Ok(text);
}

CheckLine DepLine(int policy)
{
    switch (policy) {
    case 1:
        return Warning("DEP: attiva per tutti i programmi, senza eccezioni possibili: la vix32.dll del fornitore "
                       "puo' arrestare Tavro. Riportare DEP all'impostazione predefinita di Windows");
    case 3:
        return Warning("DEP: attiva per tutti i programmi: aggiungere tavro.exe alle eccezioni (Sistema, Prestazioni,"
                       " Protezione esecuzione programmi)");
    case 0:
        return Ok("DEP: disattivata per tutti i programmi");
    case -1:
        return Ok("DEP: non presente in questa versione di Windows");
    default:
        return Ok("DEP: impostazione predefinita di Windows (solo programmi e servizi essenziali)");
    }
}
