// 24-bit BMP files written and read by the format's own layout, for tests that compare pixels.
#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// A 24-bit image as rows from the top, three bytes per pixel in file order (blue, green, red).
struct Pixels {
    int width = 0, height = 0;
    std::vector<uint8_t> bgr;
    const uint8_t* At(int x, int y) const { return &bgr[(static_cast<size_t>(y) * width + x) * 3]; }
    uint8_t* At(int x, int y) { return &bgr[(static_cast<size_t>(y) * width + x) * 3]; }
};

inline uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<uint8_t>(v >> (8 * k));
}

// A BMP file of one colour (24 bits, bottom-up rows padded to four bytes), written by hand.
inline std::vector<uint8_t> SolidBmp(int width, int height, uint8_t blue, uint8_t green, uint8_t red) {
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t(3);
    std::vector<uint8_t> file(54 + stride * height, 0);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 2, static_cast<uint32_t>(file.size()));
    Put32(file, 10, 54);
    Put32(file, 14, 40);
    Put32(file, 18, static_cast<uint32_t>(width));
    Put32(file, 22, static_cast<uint32_t>(height));
    file[26] = 1;
    file[28] = 24;
    Put32(file, 38, 2835);  // 72 DPI
    Put32(file, 42, 2835);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &file[54 + y * stride + x * 3];
            p[0] = blue;
            p[1] = green;
            p[2] = red;
        }
    return file;
}

// Reads a 24-bit BMP file by the format's own layout.
inline Pixels ReadBmp24(const std::string& path) {
    Pixels image;
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), {}};
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M' || file[28] != 24) return image;
    image.width = static_cast<int>(Le32(file, 18));
    const int32_t height = static_cast<int32_t>(Le32(file, 22));
    image.height = height < 0 ? -height : height;
    const size_t stride = (static_cast<size_t>(image.width) * 3 + 3) & ~size_t(3);
    const size_t offset = Le32(file, 10);
    if (file.size() < offset + stride * image.height) return Pixels{};
    image.bgr.resize(static_cast<size_t>(image.width) * image.height * 3);
    for (int y = 0; y < image.height; ++y) {
        const int fileRow = height < 0 ? y : image.height - 1 - y;
        std::copy_n(&file[offset + fileRow * stride], image.width * 3, image.At(0, y));
    }
    return image;
}
