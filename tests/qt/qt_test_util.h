// SPDX-License-Identifier: MIT
// Helpers shared by the dialog tests: a fresh configuration folder, a help
// file to convert, and acting on dialogs that another piece of code shows
// modally.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace korvane::qt::test {

// Points XDG_CONFIG_HOME at an empty folder for the lifetime of the object.
class FreshConfig {
public:
    FreshConfig() { qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit()); }
    QString ini() const { return dir_.path() + QStringLiteral("/KORVANE.INI"); }
    void write_ini(const QByteArray& text) const {
        QFile f(ini());
        if (f.open(QIODevice::WriteOnly)) f.write(text);
    }

private:
    QTemporaryDir dir_;
};

// Copies the small stored help file of the fuzz seeds to path.
inline bool copy_help_file(const QString& path) {
    return QFile::copy(QStringLiteral(KORVANE_SOURCE_DIR "/fuzz/seeds/stored.hlp"), path);
}

// Polls the event loop (which runs inside whatever modal loop is active)
// until a visible top-level W that satisfies pred appears, then calls act
// with it once. The returned timer may be deleted to stop waiting.
template <class W>
QPointer<QTimer> when_shown(std::function<void(W*)> act, std::function<bool(W*)> pred = {}) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer, act, pred] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* w = qobject_cast<W*>(top);
            if (!w || !w->isVisible() || (pred && !pred(w))) continue;
            timer->stop();
            timer->deleteLater();
            act(w);
            return;
        }
    });
    timer->start(10);
    return timer;
}

// What a message box showed before it was answered.
struct SeenBox {
    bool shown = false;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Answers the next message box with button, recording what it showed; the
// returned timer may be deleted to stop waiting.
inline QPointer<QTimer> answer_next_box(QMessageBox::StandardButton button, SeenBox* seen) {
    return when_shown<QMessageBox>([button, seen](QMessageBox* box) {
        if (seen) *seen = {true, box->text(), box->icon()};
        if (QAbstractButton* b = box->button(button)) b->click();
    });
}

}  // namespace korvane::qt::test
