// Helpers shared by the dialog tests: a fresh configuration folder, and
// answering dialogs that another piece of code shows modally.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace korvane::qt::test {

// Points XDG_CONFIG_HOME at an empty folder for the lifetime of the object.
class FreshConfig {
public:
    FreshConfig() { qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit()); }
    QString path() const { return dir_.path(); }
    QString ini() const { return dir_.path() + QStringLiteral("/KORVANE.INI"); }

private:
    QTemporaryDir dir_;
};

// The first visible top-level widget of type W that satisfies pred, or null.
template <class W>
W* find_top_level(const std::function<bool(W*)>& pred = {}) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* t = qobject_cast<W*>(w);
        if (t && t->isVisible() && (!pred || pred(t))) return t;
    }
    return nullptr;
}

// Polls the event loop (which runs inside whatever modal loop is active)
// until a visible top-level W appears, then calls act with it once. The
// returned timer may be deleted to stop waiting.
template <class W>
QPointer<QTimer> when_shown(std::function<void(W*)> act, std::function<bool(W*)> pred = {}) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act, pred] {
        if (W* w = find_top_level<W>(pred)) {
            timer->stop();
            timer->deleteLater();
            act(w);
        }
    });
    timer->start();
    return timer;
}

// Once a visible top-level W appears: prepare(w) once, then every 20 ms
// (the file dialog may still be settling) until w hides, make sure the
// choice is in place with choose(w) and trigger it with fire(w). After
// 10 s w is rejected, so a test fails instead of hanging.
template <class W>
void drive_when_shown(std::function<void(W*)> prepare, std::function<void(W*)> choose,
                      std::function<void(W*)> fire) {
    when_shown<W>([prepare, choose, fire](W* w) {
        prepare(w);
        QPointer<W> target = w;
        auto* timer = new QTimer(qApp);
        timer->setInterval(20);
        auto ticks = std::make_shared<int>(0);
        QObject::connect(timer, &QTimer::timeout, [timer, target, choose, fire, ticks] {
            if (!target || !target->isVisible()) {
                timer->stop();
                timer->deleteLater();
                return;
            }
            if (++*ticks > 500) {
                target->reject();
                return;
            }
            choose(target);
            fire(target);
        });
        timer->start();
    });
}

// What a message box showed before it was answered.
struct SeenBox {
    bool shown = false;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Answers the next message box with button, recording what it showed.
inline void answer_next_box(QMessageBox::StandardButton button, SeenBox* seen) {
    when_shown<QMessageBox>([button, seen](QMessageBox* box) {
        if (seen) {
            seen->shown = true;
            seen->title = box->windowTitle();
            seen->text = box->text();
            seen->icon = box->icon();
            seen->buttons = box->standardButtons();
        }
        if (QAbstractButton* b = box->button(button)) b->click();
    });
}

}  // namespace korvane::qt::test
