// SPDX-License-Identifier: MIT
#include "base/messages.h"


#include "base/platform.h"

namespace korvane {

namespace {

struct StringEntry {
    int id;
    const char* text;
};

// English at the id, German at id + 512 (UTF-8). German id 20 has no
// placeholder.
const StringEntry kStrings[] = {
    {1, "Scanning Keywords"},
    {2, "Converting Bitmaps"},
    {3, "Extracting Baggage"},
    {4, "Reading Context File"},
    {5, "Creating [MAP]"},
    {6, "Scanning Browse Sequences"},
    {7, "Reading Topics"},
    {8, "Loading System File"},
    {10, "Lookup for Topicoffset 0x%08lX for MAP failed"},
    {11, "Illegal Hotspot Data"},
    {12, "Illegal Secondary Window Number Reference 0x%02x"},
    {13, "Illegal Font Selection"},
    {14, "Illegal Macro Hotspot"},
    {15, "Hotspotend without Hotspotstart"},
    {16, "Illegal Bitmap Reference 0x%04x"},
    {17, "Table Format not Supported"},
    {19, "Topic #%ld does not have a Context Id"},
    {20, "Unknown TopicLink-Record Type %d"},
    {21, "Phrases Header: Expected Size 0x%08lX, found 0x%08lX"},
    {22, "Text taken as code page %d (detected); choose another with --codepage=N or CodePage=N in KORVANE.INI"},
    {23, "Included Contents File %s not found"},
    {24, "Included Contents File %s is not in the Help File's folder and is not read"},
    {25, "Compiling the HTML Help File"},
    {26, "No HTML Help compiler found: the HTML Help project %s is written but not compiled; compile it with "
         "HTML Help Workshop (hhc %s), or install Free Pascal's chmcmd (Debian package fp-utils) and convert again"},
    {31, "Can't Create %s"},
    {32, "Invalid .SHG or .MRB file! Type: %c%c"},
    {33, "Unknown sfImageType value 0x%x in file %s.SHG."},
    {34, "File Created by %s. handling Incomplete"},
    {36, "Page {\\field{\\*\\fldinst page }} of {\\field{\\*\\fldinst numpages }}"},
    {41, "Do you really want to Cancel the Help-File Conversion"},
    {42, "Korvane Severe Problem"},
    {512 + 1, "Sammelt Suchbegriffe"},
    {512 + 2, "Konvertiert Grafiken"},
    {512 + 3, "Entnimmt Gepäck"},
    {512 + 4, "Bearbeitet Kontext-Datei"},
    {512 + 5, "Erzeugt [MAP] Eintragungen"},
    {512 + 6, "Bestimmt Verknüpfungs-Reihenfolge"},
    {512 + 7, "Erzeugt Themen-Dateien"},
    {512 + 8, "Lade Verwaltungseintrag"},
    {512 + 10, "Querverweis zu Thema 0x%08lX für MAP nicht aufloesbar"},
    {512 + 11, "Ungültige Sprungdaten"},
    {512 + 12, "Ungültiger Verweis auf sekundäres Fenster 0x%02x"},
    {512 + 13, "Ungültige Schriftwahl"},
    {512 + 14, "Ungültiger Makro-Sprung"},
    {512 + 15, "Sprungende ohne Sprunganfang"},
    {512 + 16, "Ungültiger Verweis auf Grafik 0x%04x"},
    {512 + 17, "Unbekanntes Tabellenformat"},
    {512 + 19, "Thema #%d hat keine Kontext Id"},
    {512 + 20, "Unbekannte TopicLink Eintragung"},
    {512 + 21, "Phrasen-Kompression: Erwartete Größe 0x%08lX, vorgefunden 0x%08lX"},
    {512 + 22, "Text als Codepage %d gelesen (erkannt); eine andere mit --codepage=N oder CodePage=N in KORVANE.INI wählen"},
    {512 + 23, "Eingebundene Inhaltsdatei %s nicht gefunden"},
    {512 + 24, "Eingebundene Inhaltsdatei %s liegt nicht im Ordner der Hilfedatei und wird nicht gelesen"},
    {512 + 25, "Kompiliert die HTML-Hilfedatei"},
    {512 + 26, "Kein HTML-Hilfe-Compiler gefunden: das HTML-Hilfe-Projekt %s ist geschrieben, aber nicht "
               "kompiliert; mit HTML Help Workshop kompilieren (hhc %s) oder chmcmd von Free Pascal installieren "
               "(Debian-Paket fp-utils) und erneut konvertieren"},
    {512 + 31, "Kann Datei %s nicht anlegen"},
    {512 + 32, "Ungültige SHG oder MRB-Dateiart: Typ:%c%c"},
    {512 + 33, "Ungültige sfImageType Eintragung 0x%x in Datei %s.SHG"},
    {512 + 34, "Datei erzeugt von %s. Einige Angaben in der Datei werden ignoriert"},
    {512 + 36, "Seite {\\field{\\*\\fldinst page }} von {\\field{\\*\\fldinst numpages }}"},
    {512 + 41, "Möchten Sie die Konvertierung wirklich abbrechen"},
    {512 + 42, "Korvane Verarbeitungsfehler"},
};

const char* const kFatalFormats[] = {
    "Can't open File %s",
    "Can't open File %s: %s",
    "Error creating File %s: %s",
    "Magic Number of HLP-File incorrect. Possibly it isn't a WinHelp-File?",
    "Fileformat-Problem. FileNumber=%ld",
    "This Program can only Convert HLP-Files created by HC31,HC30 or HCRTF",
    "Can't write. Disk Full?",
    "Error opening output bitmap file",
    "Error opening output metafile",
    "Not enough Memory",
    "",
    "The HTML Help compiler %s failed: %s. Its messages are in %s",
    "The compiled file %s is not as the HTML Help compiler writes it: %s",
};

class SilentPlatform : public Platform {
public:
    void show_fatal(std::string_view, std::string_view) override {}
    void open_progress() override {}
    void set_phase(std::string_view) override {}
    void set_percent(int) override {}
    void add_warning_line(std::string_view) override {}
    void repeat_warning(size_t, std::string_view, unsigned long) override {}
};


}  // namespace

Platform& silent_platform() {
    static SilentPlatform silent;
    return silent;
}


std::string_view message_text(Msg id, int language_offset) {
    int want = static_cast<int>(id) + language_offset;
    for (const StringEntry& e : kStrings) {
        if (e.id == want) return e.text;
    }
    return "String Id not found";
}

std::string_view fatal_format(Fatal id) { return kFatalFormats[static_cast<size_t>(id)]; }

void throw_fatal(Fatal id, std::initializer_list<FmtArg> args) {
    ConversionError error;
    error.id = id;
    for (const FmtArg& a : args) error.args.push_back(a.is_string() ? std::string(a.text()) : std::to_string(a.number()));
    format_into(error.text, fatal_format(id), args);
    throw error;
}

void add_warning_text(Reporter& report, std::string_view line) {
    if (!report.progress_window || report.warnings_muted) return;
    size_t lf = line.find('\n');
    if (lf != std::string_view::npos) line = line.substr(0, lf);
    size_t next_index = report.warnings_shown.size();
    auto [it, first] = report.warnings_shown.try_emplace(std::string(line), Reporter::WarningCount{next_index, 0});
    ++it->second.count;
    if (first) {
        report.platform->add_warning_line(line);
    } else {
        report.platform->repeat_warning(it->second.index, line, it->second.count);
    }
}

void report_progress(Reporter& report, int percent, Msg phase) {
    if (!report.progress_window) {
        report.progress_window = true;
        report.phase_shown = 0;
        report.platform->open_progress();
    }
    if (phase != Msg::None && static_cast<int>(phase) != report.phase_shown) {
        report.phase_shown = static_cast<int>(phase);
        report.platform->set_phase(message_text(phase, report.platform->language_offset()));
    }
    if (percent != 0) report.platform->set_percent(percent);
    report.platform->pump_events();
    if (report.platform->stop_requested()) fatal_error(Fatal::Cancelled);
}

int mul_div(int a, int b, int c) {
    if (c == 0) return -1;
    long long n = static_cast<long long>(a) * b;
    bool negative = (n < 0) != (c < 0);
    unsigned long long un = n < 0 ? static_cast<unsigned long long>(-n) : static_cast<unsigned long long>(n);
    unsigned long long uc = c < 0 ? static_cast<unsigned long long>(-static_cast<long long>(c)) : static_cast<unsigned long long>(c);
    unsigned long long q = (un + uc / 2) / uc;
    if (q > 0x7FFFFFFFull + (negative ? 1 : 0)) return -1;
    return negative ? static_cast<int>(-static_cast<long long>(q)) : static_cast<int>(q);
}

}  // namespace korvane
