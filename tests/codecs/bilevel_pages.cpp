#include "bilevel_pages.h"

#include <algorithm>
#include <random>

namespace faxtest {

void BilevelPage::Fill(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1) {
    x1 = std::min(x1, width);
    y1 = std::min(y1, height);
    for (uint32_t y = y0; y < y1; ++y)
        for (uint32_t x = x0; x < x1; ++x) Set(x, y);
}

BilevelPage BlankPage(uint32_t width, uint32_t height) {
    BilevelPage p;
    p.width = width;
    p.height = height;
    p.stride = (size_t(width) + 7) / 8;
    p.bits.assign(p.stride * height, 0);
    return p;
}

BilevelPage TextPage(uint32_t width, uint32_t height, uint32_t seed) {
    BilevelPage p = BlankPage(width, height);
    std::mt19937 rng(seed);
    // 26 letter shapes of 5 x 7 cells.
    uint64_t glyphs[26];
    for (auto& g : glyphs) {
        g = 0;
        for (int c = 0; c < 35; ++c)
            if (rng() % 100 < 40) g |= uint64_t(1) << c;
    }
    const uint32_t margin = width / 12, scale = std::max<uint32_t>(1, width / 620);
    const uint32_t glyphW = 6 * scale, lineH = 12 * scale;
    uint32_t y = height / 14;
    // Heading in double size.
    for (uint32_t x = margin; x + 12 * scale < width / 2; x += 12 * scale) {
        uint64_t g = glyphs[rng() % 26];
        for (int c = 0; c < 35; ++c)
            if (g >> c & 1) p.Fill(x + (c % 5) * 2 * scale, y + (c / 5) * 2 * scale, x + (c % 5 + 1) * 2 * scale,
                                   y + (c / 5 + 1) * 2 * scale);
    }
    y += 3 * lineH;
    p.Fill(margin, y, width - margin, y + scale);  // rule under the heading
    y += lineH;
    const uint32_t boxTop = height * 5 / 8, boxBottom = height * 3 / 4;
    while (y + lineH < height - height / 14) {
        if (y >= boxTop && y < boxBottom) {
            y = boxBottom + lineH;
            continue;
        }
        uint32_t x = margin;
        uint32_t lineEnd = width - margin - (rng() % 5 == 0 ? width / 3 : 0);
        while (x + glyphW < lineEnd) {
            int letters = 1 + int(rng() % 9);
            for (int l = 0; l < letters && x + glyphW < lineEnd; ++l, x += glyphW) {
                uint64_t g = glyphs[rng() % 26];
                for (int c = 0; c < 35; ++c)
                    if (g >> c & 1) p.Fill(x + (c % 5) * scale, y + (c / 5) * scale, x + (c % 5 + 1) * scale,
                                           y + (c / 5 + 1) * scale);
            }
            x += glyphW;  // space between words
        }
        y += lineH;
    }
    // A framed box with a dithered patch inside.
    const uint32_t t = 2 * scale;
    p.Fill(margin, boxTop, width - margin, boxTop + t);
    p.Fill(margin, boxBottom - t, width - margin, boxBottom);
    p.Fill(margin, boxTop, margin + t, boxBottom);
    p.Fill(width - margin - t, boxTop, width - margin, boxBottom);
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    for (uint32_t yy = boxTop + 4 * t; yy + 4 * t < boxBottom; ++yy)
        for (uint32_t xx = width / 2; xx + margin + 4 * t < width; ++xx) {
            int level = int((xx * 16) / width + (yy * 8) / height) % 16;
            if (bayer[yy % 4][xx % 4] < level) p.Set(xx, yy);
        }
    // A scribble: a wandering pen stroke.
    double px = margin, py = height - height / 20.0;
    for (int i = 0; i < 4000; ++i) {
        px += 0.3 * scale + (rng() % 100) / 100.0 * scale * 0.5;
        py += ((int(rng() % 100) - 50) / 25.0) * scale;
        if (px >= width / 2 || py < 0 || py >= height) break;
        p.Fill(uint32_t(px), uint32_t(py), uint32_t(px) + scale + 1, uint32_t(py) + scale + 1);
    }
    return p;
}

BilevelPage A4Page(uint32_t seed) { return TextPage(2480, 3508, seed); }

BilevelPage NoisePage(uint32_t width, uint32_t height, uint32_t seed, int percent) {
    BilevelPage p = BlankPage(width, height);
    std::mt19937 rng(seed);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            if (int(rng() % 100) < percent) p.Set(x, y);
    return p;
}

BilevelPage RunLengthPage(uint32_t width, uint32_t maxRun) {
    // Runs 0..maxRun alternately white and black; each row takes as many as fit, and the list is
    // laid out twice, the second time starting with black, so each length occurs in both colours.
    std::vector<uint32_t> runs;
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) runs.push_back(0);
        for (uint32_t r = 0; r <= maxRun; ++r) runs.push_back(r);
    }
    std::vector<std::vector<uint32_t>> rows(1);
    uint32_t used = 0;
    for (size_t i = 0; i < runs.size(); ++i) {
        uint32_t r = std::min(runs[i], width);
        if (used + r > width) {
            rows.emplace_back();
            used = 0;
            if (i % 2) rows.back().push_back(0);  // a row starts white: keep the run's colour
        }
        rows.back().push_back(r);
        used += r;
    }
    BilevelPage p = BlankPage(width, uint32_t(rows.size()));
    for (uint32_t y = 0; y < p.height; ++y) {
        uint32_t x = 0;
        for (size_t i = 0; i < rows[y].size(); ++i) {
            if (i % 2) p.Fill(x, y, x + rows[y][i], y + 1);
            x += rows[y][i];
        }
    }
    return p;
}

}  // namespace faxtest
