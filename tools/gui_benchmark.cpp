// SPDX-License-Identifier: MIT
// Not a test: the processor time of one conversion with thousands of
// warnings, shown in the progress dialog and, for comparison, on the
// terminal (tools/gui-benchmark.sh runs it on the offscreen platform).
//
// Usage: korvane_gui_benchmark FILE.HLP   (tools/gui-benchmark.sh gives
// the corpus file with the most warnings when none is named)
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

#include "output/output_sink.h"
#include "driver/convert.h"
#include "base/platform.h"
#include "helpfile/helpfile.h"
#include "ui/console_platform.h"
#include "ui/qt/qt_platform.h"

using namespace korvane;

namespace {

double processor_seconds(std::clock_t start) { return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvane_gui_benchmark FILE.HLP\n");
        return 2;
    }
    std::string path = QDir(QString::fromLocal8Bit(argv[1])).absolutePath().toStdString();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());

    // The progress dialog, dismissed as soon as the conversion has finished.
    qt::QtPlatform gui(qt::Language::English);
    gui.set_beep([] {});
    std::clock_t start = std::clock();
    DiskSink output;
    if (convert(HelpInput{path, {}}, ConversionOptions{}, output, gui)) return 1;
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
    start = std::clock();
    std::optional<ConversionError> error = convert(HelpInput{path, {}}, ConversionOptions{}, output, console);
    console.finish();
    double terminal_seconds = processor_seconds(start);
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);

    if (error) return 1;
    std::printf("%s: %d rows in the warnings list\n", argv[1], rows);
    std::printf("processor seconds: progress dialog %.3f, terminal %.3f\n", dialog_seconds, terminal_seconds);
    return 0;
}
