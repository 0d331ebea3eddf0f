// Not a test: the processor time of one conversion with thousands of
// warnings, shown in the progress dialog and, for comparison, on the
// terminal (tools/gui-benchmark.sh runs it on the offscreen platform).
//
// The generated help file has TOPICS topics without a context id (each a
// warning of its own) and MAPS [Map] entries that point nowhere (one text,
// raised MAPS times); it is converted with flags 0x38, both topic passes.
//
// Usage: korvane_gui_benchmark [TOPICS [MAPS]]   (default 1000 2000)
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "driver/convert.h"
#include "driver/platform.h"
#include "helpfile/helpfile.h"
#include "support/index_builder.h"
#include "support/rtf_topics.h"
#include "ui/console_platform.h"
#include "ui/qt/qt_platform.h"

using namespace korvane;
using namespace korvane::test;

namespace {

std::vector<uint8_t> warning_help_file(int topics, int maps) {
    HelpFileSpec desc;
    desc.system_flags = 4;  // LZ77-compressed topic blocks
    for (int i = 0; i < topics; ++i) {
        desc.records.push_back(topic_header({.number = i, .title = "Topic " + std::to_string(i)}));
        desc.records.push_back(plain_text("Text of topic " + std::to_string(i) + "."));
    }
    std::vector<std::pair<int32_t, uint32_t>> entries;
    for (int i = 0; i < maps; ++i) entries.emplace_back(i + 1, 0xFFFFFFFFu);
    desc.extra_files = {{"|CTXOMAP", ctxomap_file(entries)}};
    return build_help_file(desc).bytes;
}

double processor_seconds(std::clock_t start) { return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC; }

}  // namespace

int main(int argc, char** argv) {
    int topics = argc > 1 ? std::atoi(argv[1]) : 1000;
    int maps = argc > 2 ? std::atoi(argv[2]) : 2000;
    QApplication app(argc, argv);
    QTemporaryDir dir;
    std::string path = QDir(dir.path()).filePath(QStringLiteral("WARN.HLP")).toStdString();
    write_file(path, warning_help_file(topics, maps));
    QDir::setCurrent(dir.path());

    // The progress dialog, dismissed as soon as the conversion has finished.
    qt::QtPlatform gui(qt::Language::English);
    gui.set_beep([] {});
    set_platform(&gui);
    std::clock_t start = std::clock();
    if (convert_help_file(path, 0x38)) return 1;
    int rows = 0;
    QTimer::singleShot(0, [&gui, &rows] {
        if (!gui.dialog()) return;
        rows = gui.dialog()->warnings()->count();
        gui.dialog()->button()->click();
    });
    gui.finish_progress();
    double dialog_seconds = processor_seconds(start);

    // The terminal, with stderr thrown away.
    std::fflush(stderr);
    int saved = ::dup(STDERR_FILENO);
    int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDERR_FILENO);
    ConsolePlatform console;
    set_platform(&console);
    start = std::clock();
    std::optional<ConversionError> error = convert_help_file(path, 0x38);
    console.finish();
    double terminal_seconds = processor_seconds(start);
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    set_platform(nullptr);

    if (error) return 1;
    std::printf("%d topics, %d map entries: %d rows in the warnings list\n", topics, maps, rows);
    std::printf("processor seconds: progress dialog %.3f, terminal %.3f\n", dialog_seconds, terminal_seconds);
    return 0;
}
