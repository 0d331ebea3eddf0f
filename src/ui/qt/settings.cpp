// SPDX-License-Identifier: MIT
// KORVANE.INI through QSettings in INI format, with the case-blind section
// and key lookup that profile files have.
#include "ui/qt/settings.h"

#include <QDir>
#include <QSettings>
#include <QStringList>

#include "topics/code_page.h"

namespace korvane::qt {

namespace {

const QString kSection = QStringLiteral("Options");

// The section name as it is spelled in the file, or kSection.
QString section_in_file(QSettings& s) {
    for (const QString& g : s.childGroups()) {
        if (g.compare(kSection, Qt::CaseInsensitive) == 0) return g;
    }
    return kSection;
}

int read_int(const QString& key, int fallback) {
    QSettings s(settings_file_path(), QSettings::IniFormat);
    s.beginGroup(section_in_file(s));
    for (const QString& k : s.childKeys()) {
        if (k.compare(key, Qt::CaseInsensitive) != 0) continue;
        QVariant v = s.value(k);
        // A value with commas comes back as a list; its text is the whole line.
        QString text = v.typeId() == QMetaType::QStringList ? v.toStringList().join(QLatin1Char(','))
                                                             : v.toString();
        return profile_int(text);
    }
    return fallback;
}

}  // namespace

QString settings_file_path() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/KORVANE.INI");
}

int profile_int(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        value = value * 10 + (text[i].unicode() - '0');
        if (value > 0x7FFFFFFFLL) value = 0x7FFFFFFFLL;  // stays non-zero, never overflows
    }
    return static_cast<int>(negative ? -value : value);
}

DialogOptions read_dialog_options() {
    DialogOptions o;
    o.for_print = read_int(QStringLiteral("ForPrint"), 1) != 0;
    o.page_break = read_int(QStringLiteral("PageBreak"), 0) != 0;
    o.jumps = read_int(QStringLiteral("Jumps"), 0) != 0;
    o.web = read_int(QStringLiteral("Html"), 0) != 0 ? OutputKind::site : OutputKind::sources;
    if (read_int(QStringLiteral("Chm"), 0) != 0) o.web = OutputKind::html_help;
    return o;
}

void write_dialog_options(const DialogOptions& options) {
    QSettings s(settings_file_path(), QSettings::IniFormat);
    s.beginGroup(section_in_file(s));
    auto put = [&s](const QString& key, bool on) {
        // One spelling per key: a differently cased twin would shadow it.
        for (const QString& k : s.childKeys()) {
            if (k != key && k.compare(key, Qt::CaseInsensitive) == 0) s.remove(k);
        }
        s.setValue(key, on ? QStringLiteral("1") : QStringLiteral("0"));
    };
    put(QStringLiteral("PageBreak"), options.page_break);
    put(QStringLiteral("ForPrint"), options.for_print);
    put(QStringLiteral("Jumps"), options.jumps);
    put(QStringLiteral("Html"), options.web == OutputKind::site);
    put(QStringLiteral("Chm"), options.web == OutputKind::html_help);
    s.endGroup();
    s.sync();
}

int code_page_setting() {
    int code_page = read_int(QStringLiteral("CodePage"), 0);
    return charset_of_code_page(code_page) >= 0 ? code_page : 0;
}

bool message_beep_enabled() { return read_int(QStringLiteral("MessageBeep"), 1) != 0; }

}  // namespace korvane::qt
