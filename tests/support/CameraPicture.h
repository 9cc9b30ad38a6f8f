#pragma once

// Pictures that behave like a camera's photographs, for the tests and benchmarks that need the work of a
// real photograph rather than of a smooth gradient: a scene of soft colour regions with textures at
// several scales and hard-edged shapes, under per-pixel sensor noise in luminance and colour, so that a
// JPEG encoder at quality 90 spends about as many bits on it as on a real photograph (some 4 to 5 MB
// for 24 megapixels), and the decoder and the resampler find fine detail everywhere. CameraJpeg.h
// makes camera files of them.

#include <QImage>

#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

namespace testsupport {

namespace camera {

inline quint32 Hash(quint32 x, quint32 y, quint32 seed) {
    quint32 h = x * 0x9E3779B1u ^ y * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

// Smoothly interpolated lattice noise of the given cell size, in 0..1.
inline float ValueNoise(int x, int y, int cell, quint32 seed) {
    const int cx = x / cell, cy = y / cell;
    const float fx = float(x % cell) / float(cell), fy = float(y % cell) / float(cell);
    const float sx = fx * fx * (3.0f - 2.0f * fx), sy = fy * fy * (3.0f - 2.0f * fy);
    const auto at = [&](int i, int j) {
        return float(Hash(quint32(cx + i), quint32(cy + j), seed) >> 8) / 16777216.0f;
    };
    const float top = at(0, 0) + (at(1, 0) - at(0, 0)) * sx;
    const float bottom = at(0, 1) + (at(1, 1) - at(0, 1)) * sx;
    return top + (bottom - top) * sy;
}

// Roughly normal noise of standard deviation 1 from one hash (four bytes summed).
inline float SensorNoise(quint32 h) {
    const int sum = int(h & 0xFF) + int((h >> 8) & 0xFF) + int((h >> 16) & 0xFF) + int(h >> 24);
    return (float(sum) - 510.0f) / 147.8f;
}

inline void PaintRows(QImage& picture, int first, int end, quint32 seed) {
    const int width = picture.width();
    const int large = std::max(8, width / 5);
    const auto channel = [](float v) { return int(std::clamp(v, 0.0f, 255.0f) + 0.5f); };
    for (int y = first; y < end; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        float light = 0, warm = 0, green = 0, busy = 0;
        for (int x = 0; x < width; ++x) {
            // Soft regions: brightness and colour that change over a fifth of the picture (worked out
            // every fourth pixel: they change by far less than a level in between).
            if (x % 4 == 0) {
                light = 0.65f * ValueNoise(x, y, large, seed) + 0.35f * ValueNoise(x, y, large / 4, seed + 1);
                warm = ValueNoise(x, y, large, seed + 2) - 0.5f;
                green = ValueNoise(x, y, large / 2, seed + 3) - 0.5f;
                // Texture (leaves, stone, fabric) is strongest where the region is busy, absent in "sky".
                busy = std::clamp(ValueNoise(x, y, large / 2, seed + 4) * 2.0f - 0.4f, 0.0f, 1.0f);
            }
            const float texture = 0.5f * ValueNoise(x, y, 23, seed + 5) +
                                  0.3f * ValueNoise(x, y, 7, seed + 6) +
                                  0.2f * ValueNoise(x, y, 3, seed + 7) - 0.5f;
            float luma = 30.0f + 190.0f * light + 110.0f * busy * texture;
            // Hard edges: a grid of shapes (windows, posts) in a few cells of the picture.
            const int cellX = x / 97, cellY = y / 131;
            if (x % 97 > 20 && y % 131 > 30 && (Hash(quint32(cellX), quint32(cellY), seed + 8) & 7) == 0) {
                luma =
                    (Hash(quint32(cellX), quint32(cellY), seed + 9) & 1) ? luma * 0.35f : luma * 0.6f + 90.0f;
            }
            const float grain = 3.0f * SensorNoise(Hash(quint32(x), quint32(y), seed + 10));
            const float chroma = 2.0f * SensorNoise(Hash(quint32(x), quint32(y), seed + 11));
            row[x] = qRgb(channel(luma * (1.0f + 0.5f * warm) + grain + chroma),
                          channel(luma * (1.0f + 0.4f * green) + grain),
                          channel(luma * (1.0f - 0.5f * warm) + grain - chroma));
        }
    }
}

}  // namespace camera

// A camera-like picture of width x height (see above), different for every seed. Made on every core.
inline QImage CameraLikePicture(int width, int height, quint32 seed = 1) {
    QImage picture(width, height, QImage::Format_RGB32);
    const int threads = int(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::thread> painters;
    for (int t = 0; t < threads; ++t) {
        painters.emplace_back([&, t] {
            camera::PaintRows(picture, int(qint64(height) * t / threads),
                              int(qint64(height) * (t + 1) / threads), seed);
        });
    }
    for (std::thread& painter : painters) {
        painter.join();
    }
    return picture;
}

}  // namespace testsupport
