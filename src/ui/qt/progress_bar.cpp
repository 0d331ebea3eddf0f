// SPDX-License-Identifier: MIT
// Painting of the percentage bar: the split column from the position, the
// text from the percentage, each half filled and lettered in its colours
// with the text clipped to that half.
#include "ui/qt/progress_bar.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "base/messages.h"

namespace korvane::qt {

namespace {

const QColor kBlue(0, 0, 255);
const QColor kWhite(255, 255, 255);

}  // namespace

BarLayout bar_layout(int width, uint16_t range, uint16_t position) {
    unsigned r = range == 0 ? 1u : range;
    unsigned pos = position > r ? r : position;
    BarLayout l;
    uint64_t w = width > 0 ? static_cast<uint64_t>(width) : 0u;
    l.split = static_cast<int>(static_cast<uint16_t>(w * pos / r)) + 1;
    int percent = mul_div(static_cast<int>(pos), 100, static_cast<int>(r));
    l.text = QString::asprintf("%3d%%", percent).left(4);
    return l;
}

ProgressBar::ProgressBar(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel is painted; no erase first
    setCursor(Qt::ArrowCursor);
}

void ProgressBar::set_range(uint16_t range) {
    if (range == range_) return;
    range_ = range;
    repaint();
}

void ProgressBar::set_position(uint16_t position) {
    if (position == position_) return;
    position_ = position;
    repaint();
}

void ProgressBar::advance(uint16_t step) {
    position_ = static_cast<uint16_t>(position_ + step);
    repaint();
}

void ProgressBar::paintEvent(QPaintEvent*) {
    const int right = width();
    const int bottom = height();
    BarLayout l = bar_layout(right, range_, position_);

    QPainter p(this);
    p.setFont(font());
    QFontMetrics fm(font());
    int w = fm.horizontalAdvance(l.text);
    int h = fm.height();
    int x = (right - w) / 2;
    int y = (bottom - h) / 2;
    int baseline = y + fm.ascent();

    const QRect left_part(0, 0, std::min(l.split, right), bottom);
    const QRect right_part(l.split, 0, right - l.split, bottom);
    auto draw_half = [&](const QRect& part, const QColor& background, const QColor& ink) {
        if (part.width() <= 0 || part.height() <= 0) return;
        p.setClipRect(part);
        p.fillRect(part, background);
        p.setPen(ink);
        p.drawText(x, baseline, l.text);
    };
    draw_half(left_part, kBlue, kWhite);
    draw_half(right_part, kWhite, kBlue);
}

}  // namespace korvane::qt
