// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "model/sampling.h"

// A picture whose pixels are a function of their column and row, as 8-bit RGB32 or 16-bit grey
// (the same values times 257).
struct Picture {
    int width, height;
    PixelFormat format;
    std::vector<std::uint32_t> words;
    std::vector<std::uint16_t> grey;

    Picture(int w, int h, const std::function<int(int, int)>& value,
            PixelFormat f = PixelFormat::Rgb32)
        : width(w), height(h), format(f) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const auto v = static_cast<std::uint32_t>(value(x, y));
                words.push_back(0xFF000000u | v << 16 | v << 8 | v);
                grey.push_back(static_cast<std::uint16_t>(v * 257));
            }
        }
    }
    PixelView View() const {
        if (format == PixelFormat::Grey16) {
            return {reinterpret_cast<const std::uint8_t*>(grey.data()), width, height,
                    static_cast<std::ptrdiff_t>(width) * 2, PixelFormat::Grey16};
        }
        return {reinterpret_cast<const std::uint8_t*>(words.data()), width, height,
                static_cast<std::ptrdiff_t>(width) * 4};
    }
};
