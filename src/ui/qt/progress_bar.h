// SPDX-License-Identifier: MIT
// The percentage bar of the progress dialog ("Prog").
//
// The bar keeps two 16-bit words, the range (the value meaning 100 %, 100
// when created) and the position (0 when created). It paints a blue part
// from the left edge up to the position and a white part after it, with the
// percentage as "%3d%%" centred on both: white on the blue part and blue on
// the white part, so the text changes colour where the bar's edge crosses it.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

namespace korvane::qt {

// What one paint of a bar of the given client width shows.
struct BarLayout {
    int split = 0;  // first column of the white part; columns before it are blue
    QString text;   // the four characters drawn
};

// range 0 counts as 1; the position is clamped to the range.
BarLayout bar_layout(int width, uint16_t range, uint16_t position);

class ProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);

    uint16_t range() const { return range_; }
    uint16_t position() const { return position_; }

    // Each repaints at once when the stored value changes.
    void set_range(uint16_t range);
    void set_position(uint16_t position);
    // Moves the position by step (16-bit wrap-around) and repaints.
    void advance(uint16_t step);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    uint16_t range_ = 100;
    uint16_t position_ = 0;
};

}  // namespace korvane::qt
