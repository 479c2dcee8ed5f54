// The lakebed is a grid of cells, one pebble in each, its place, size, shape and stone
// chosen by a hash of the cell; sand between them with a fine grain, each pebble lit from
// the upper left and casting a soft shadow to the lower right. Hashes rather than the
// runtime's generator keep the scene's random sequence untouched.
#include "ripple/lakebed.h"

#include <algorithm>
#include <cmath>

namespace {

struct Colour {
    float r, g, b;
};

const Colour STONES[] = {
    {0.55f, 0.52f, 0.47f}, {0.42f, 0.40f, 0.38f}, {0.66f, 0.58f, 0.46f},
    {0.35f, 0.38f, 0.36f}, {0.60f, 0.47f, 0.38f}, {0.74f, 0.70f, 0.62f},
};
const int STONE_COUNT = sizeof(STONES) / sizeof(STONES[0]);
const Colour SAND = {0.62f, 0.55f, 0.40f};
// Water tints the bed: blue-green, deeper towards the bottom of the picture.
const Colour WATER = {0.10f, 0.30f, 0.32f};

uint32_t Hash(uint32_t x, uint32_t y, uint32_t salt)
{
    uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ salt * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

float Unit(uint32_t x, uint32_t y, uint32_t salt)
{
    return static_cast<float>(Hash(x, y, salt) & 0xFFFF) / 65535.0f;
}

struct Pebble {
    float cx, cy;    // centre
    float rx, ry;    // half axes
    float invRx, invRy;
    Colour stone;
};

Pebble PebbleOf(int32_t i, int32_t j, float cell)
{
    const uint32_t u = static_cast<uint32_t>(i), v = static_cast<uint32_t>(j);
    Pebble p;
    const float radius = cell * (0.24f + 0.26f * Unit(u, v, 3));
    const float aspect = 0.65f + 0.35f * Unit(u, v, 4);
    const bool wide = (Hash(u, v, 5) & 1) != 0;
    p.rx = wide ? radius : radius * aspect;
    p.ry = wide ? radius * aspect : radius;
    p.invRx = 1.0f / p.rx;
    p.invRy = 1.0f / p.ry;
    p.cx = (static_cast<float>(i) + 0.5f + 0.6f * (Unit(u, v, 1) - 0.5f)) * cell;
    p.cy = (static_cast<float>(j) + 0.5f + 0.6f * (Unit(u, v, 2) - 0.5f)) * cell;
    const Colour& base = STONES[Hash(u, v, 6) % STONE_COUNT];
    const float tone = 0.85f + 0.3f * Unit(u, v, 7);
    p.stone = Colour{base.r * tone, base.g * tone, base.b * tone};
    return p;
}

// The squared elliptic distance of (x, y) from the pebble's centre: below 1 inside it.
float Inside(const Pebble& p, float x, float y)
{
    const float dx = (x - p.cx) * p.invRx;
    const float dy = (y - p.cy) * p.invRy;
    return dx * dx + dy * dy;
}

uint16_t PackRgb565(float r, float g, float b)
{
    const auto level = [](float v, int top) {
        return static_cast<uint16_t>(std::lround(std::min(1.0f, std::max(0.0f, v)) * top));
    };
    return static_cast<uint16_t>((level(r, 31) << 11) | (level(g, 63) << 5) | level(b, 31));
}

// The pebble of the nine cells around (x, y) that holds the point, with its elliptic
// distance; null when the point lies on sand.
const Pebble* PebbleAt(const Pebble* near, float x, float y, float* distance)
{
    const Pebble* hit = nullptr;
    float best = 1.0f;
    for (int k = 0; k < 9; ++k) {
        const float d = Inside(near[k], x, y);
        if (d < best) {
            best = d;
            hit = &near[k];
        }
    }
    *distance = best;
    return hit;
}

}  // namespace

bool DrawLakebed(Surface* picture, int32_t width, int32_t height)
{
    picture->Release();
    if (!picture->Create(width, height)) {
        picture->Release();
        return false;
    }
    const float cell = std::max(12.0f, static_cast<float>(std::min(width, height)) / 13.0f);
    const float shadow = cell * 0.08f;
    const int32_t cellsAcross = static_cast<int32_t>(width / cell) + 2;
    Pebble near[9];
    for (int32_t y = 0; y < height; ++y) {
        uint16_t* row = picture->Row(y);
        const float fy = static_cast<float>(y) + 0.5f;
        const int32_t cj = static_cast<int32_t>(fy / cell);
        const float depth = 0.25f + 0.35f * static_cast<float>(y) / static_cast<float>(height);
        int32_t loadedColumn = -cellsAcross;
        for (int32_t x = 0; x < width; ++x) {
            const float fx = static_cast<float>(x) + 0.5f;
            const int32_t ci = static_cast<int32_t>(fx / cell);
            if (ci != loadedColumn) {
                for (int k = 0; k < 9; ++k) near[k] = PebbleOf(ci + k % 3 - 1, cj + k / 3 - 1, cell);
                loadedColumn = ci;
            }
            float d;
            Colour c;
            if (const Pebble* p = PebbleAt(near, fx, fy, &d)) {
                // A dome's normal, lit from the upper left, with a soft highlight.
                const float nx = (fx - p->cx) * p->invRx;
                const float ny = (fy - p->cy) * p->invRy;
                const float light = 0.78f - 0.21f * (nx + ny) + 0.18f * (1.0f - d);
                const float hx = nx + 0.35f, hy = ny + 0.35f;
                const float shine = 0.22f * std::max(0.0f, 1.0f - 9.0f * (hx * hx + hy * hy));
                c = Colour{p->stone.r * light + shine, p->stone.g * light + shine,
                           p->stone.b * light + shine};
            } else {
                const float grain = 0.88f + 0.16f * Unit(static_cast<uint32_t>(x),
                                                         static_cast<uint32_t>(y), 9);
                float shade;
                const bool shaded = PebbleAt(near, fx - shadow, fy - shadow, &shade) != nullptr;
                const float dark = shaded ? 0.62f + 0.3f * shade : 1.0f;
                c = Colour{SAND.r * grain * dark, SAND.g * grain * dark, SAND.b * grain * dark};
            }
            row[x] = PackRgb565(c.r * (1 - depth) + WATER.r * depth,
                                c.g * (1 - depth) + WATER.g * depth,
                                c.b * (1 - depth) + WATER.b * depth);
        }
    }
    return true;
}

bool PictureIsOneColour(const Surface& picture)
{
    if (!picture.bits || picture.width <= 0 || picture.height <= 0) return true;
    const uint16_t first = picture.Row(0)[0];
    for (int32_t y = 0; y < picture.height; ++y) {
        const uint16_t* row = picture.Row(y);
        for (int32_t x = 0; x < picture.width; ++x)
            if (row[x] != first) return false;
    }
    return true;
}
