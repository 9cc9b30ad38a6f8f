#pragma once

#include <QRgb>

#include <cstddef>
#include <cstdint>

// `count` pixels of 8-bit RGBA with straight alpha, as the libraries of the decoder process give them,
// laid on black as the audience window shows a transparent picture: each channel weighed by its
// opacity, rounded.
inline void LayOnBlack(const uint8_t* rgba, QRgb* out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, rgba += 4) {
        const int alpha = rgba[3];
        out[i] =
            qRgb((rgba[0] * alpha + 127) / 255, (rgba[1] * alpha + 127) / 255, (rgba[2] * alpha + 127) / 255);
    }
}
