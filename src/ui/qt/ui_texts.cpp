// SPDX-License-Identifier: MIT
// Dialog texts per language (UTF-8 literals).
#include "ui/qt/ui_texts.h"

namespace korvane::qt {

const OpenDialogTexts& open_dialog_texts(Language lang) {
    static const OpenDialogTexts english{
        QStringLiteral("Convert HLP-File to RTF"),
        QStringLiteral("&Filename:"), QStringLiteral("&Directories:"), QStringLiteral("&Format:"),
        QStringLiteral("C&onvert!"), QStringLiteral("&Cancel"), QStringLiteral("&Help"),
        QStringLiteral("For &Print"), QStringLiteral("Page per &Topic"), QStringLiteral("Avoid SH&G-Files"),
        QStringLiteral("Jump-Reference"), QStringLiteral("&Web Pages (HTML)"),
        QStringLiteral("HT&ML Help (CHM)"),
    };
    static const OpenDialogTexts german{
        QStringLiteral("HLP-Datei in RTF konvertieren"),
        QStringLiteral("Datei&name:"), QStringLiteral("&Verzeichnisse:"), QStringLiteral("Datei&format:"),
        QStringLiteral("K&onvertieren"), QStringLiteral("Abbrechen"), QStringLiteral("&Hilfe"),
        QStringLiteral("&Druckgeeignet"), QStringLiteral("S&eitenwechsel je Thema"),
        QStringLiteral("Keine SH&G-Dateien"), QStringLiteral("&Sprünge zeigen"),
        QStringLiteral("&Webseiten (HTML)"), QStringLiteral("HT&ML-Hilfe (CHM)"),
    };
    static const OpenDialogTexts spanish{
        QStringLiteral("Convertir Fichas HLP -> RTF/HPJ"),
        QStringLiteral("Nombre del &archivo HLP:"), QStringLiteral("&Directorios:"),
        QStringLiteral("&Mostrar archivos de tipo:"),
        QStringLiteral("C&onvertir"), QStringLiteral("Cancelar"), QStringLiteral("Ay&uda"),
        QStringLiteral("Para &Imprintar"), QStringLiteral("Page per &Topic"), QStringLiteral("No &SHG-Fichas"),
        QStringLiteral("Jump-Reference"), QStringLiteral("Páginas &web (HTML)"),
        QStringLiteral("Ayuda HT&ML (CHM)"),
    };
    switch (lang) {
    case Language::German: return german;
    case Language::Spanish: return spanish;
    case Language::English: break;
    }
    return english;
}

const ProgressDialogTexts& progress_dialog_texts(Language lang) {
    static const ProgressDialogTexts english{QStringLiteral("Help-File conversion"), QStringLiteral("Warnings:"),
                                             QStringLiteral("&Cancel")};
    static const ProgressDialogTexts german{QStringLiteral("Konvertierung Hilfetext"),
                                            QStringLiteral("Warnungen:"), QStringLiteral("&Abbruch")};
    static const ProgressDialogTexts spanish{QStringLiteral("Convertir de Ficha Ayuda"),
                                             QStringLiteral("Prevenidos:"), QStringLiteral("&Cancelar")};
    switch (lang) {
    case Language::German: return german;
    case Language::Spanish: return spanish;
    case Language::English: break;
    }
    return english;
}

QString help_page(Language lang) {
    if (lang == Language::German) {
        return QStringLiteral(
            "<h3>Korvane V1.10</h3>"
            "<p>Korvane gewinnt aus einer übersetzten Windows-Hilfedatei (.HLP, .MVB, .M13) die Quellen "
            "zurück: die Projektdatei (.HPJ), die RTF-Themendateien, alle Grafiken und das Gepäck. Die "
            "Dateien entstehen im Verzeichnis der gewählten Hilfedatei.</p>"
            "<p><b>Druckgeeignet</b>: RTF zum Drucken statt Quellen für den Hilfe-Compiler; Grafiken "
            "werden eingebettet, es entsteht keine Projektdatei.<br>"
            "<b>Seitenwechsel je Thema</b>: jedes Thema beginnt auf einer neuen Seite.<br>"
            "<b>Sprünge zeigen</b>: Sprünge erscheinen unterstrichen mit ihrem Ziel.<br>"
            "<b>Keine SHG-Dateien</b>: Grafiken mit Sprungflächen werden als einfache Grafiken "
            "geschrieben.<br>"
            "<b>Webseiten (HTML)</b>: statt der Quellen eine Website zum Lesen im Browser, im "
            "Verzeichnis mit dem Namen der Hilfedatei in Kleinbuchstaben: index.html, eine Seite je "
            "Thema und das Stichwortverzeichnis; die übrigen Optionen gelten dann nicht.<br>"
            "<b>HTML-Hilfe (CHM)</b>: statt der Quellen eine HTML-Hilfedatei NAME.chm, die unter Windows 10 "
            "und 11 mit einem Doppelklick aufgeht, mit denselben Kontextnummern; daneben ihr Projekt im "
            "Verzeichnis NAME-chm. Übersetzt wird sie mit chmcmd (Paket fp-utils); fehlt es, entsteht nur "
            "das Projekt.</p>"
            "<p>Aufruf ohne Dialog: <tt>korvane DATEI.HLP</tt> schreibt die Quellen ins aktuelle "
            "Verzeichnis. <tt>korvane --read DATEI.HLP</tt> zeigt die Hilfedatei im Webbrowser; so "
            "öffnet sie auch der Dateimanager.</p>");
    }
    return QStringLiteral(
        "<h3>Korvane V1.10</h3>"
        "<p>Korvane gets the sources back out of a compiled Windows help file (.HLP, .MVB, .M13): the help "
        "project file (.HPJ), the RTF topic files, every picture and every baggage file. The files are "
        "written into the folder of the chosen help file.</p>"
        "<p><b>For Print</b>: RTF meant for printing instead of sources for the help compiler; pictures "
        "are embedded and no project file is written.<br>"
        "<b>Page per Topic</b>: every topic starts on a new page.<br>"
        "<b>Jump-Reference</b>: hotspots are written underlined with their targets.<br>"
        "<b>Avoid SHG-Files</b>: pictures with hotspots are written as plain pictures.<br>"
        "<b>Web Pages (HTML)</b>: a web site to read in a browser instead of the sources, in the folder "
        "named after the help file in lower case: index.html, a page per topic and the keyword index; the "
        "other options do not apply then.<br>"
        "<b>HTML Help (CHM)</b>: an HTML Help file NAME.chm instead of the sources, which opens with a "
        "double-click on Windows 10 and 11, with the same context numbers; beside it its project in the "
        "folder NAME-chm. It is compiled with chmcmd (package fp-utils); without it only the project is "
        "written.</p>"
        "<p>Without the dialog: <tt>korvane FILE.HLP</tt> writes the sources into the current "
        "folder. <tt>korvane --read FILE.HLP</tt> shows the help file in the web browser, as opening it "
        "from the file manager does.</p>");
}

}  // namespace korvane::qt
