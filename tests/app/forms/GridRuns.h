// The lengths of the runs of one colour along a line of a picture: how wide grid lines are drawn.
#pragma once

#include <QImage>
#include <vector>

// Down the column `at` when `down`, else along the row `at`.
inline std::vector<int> GridRuns(const QImage& image, QRgb grid, bool down, int at) {
    std::vector<int> runs;
    int run = 0;
    const int length = down ? image.height() : image.width();
    for (int i = 0; i <= length; ++i) {
        const bool on = i < length && (down ? image.pixel(at, i) : image.pixel(i, at)) == grid;
        if (on) ++run;
        if (!on && run > 0) runs.push_back(run), run = 0;
    }
    return runs;
}
