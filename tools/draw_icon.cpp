// Draws the application icon and writes it as res/app.ico: a 16x16 and a 32x32
// image, both 32-bit BGRA with the 1-bit AND mask. The same bytes on every run.
//
// The glyph is the device seen from the front (a blue-grey box with status
// LEDs) and a green arrow coming down into it. Each size has its own layout so
// the 16x16 stays crisp instead of being a blurred copy of the 32x32.
//
// Usage: draw_icon OUT.ico [OUT_PREVIEW.ppm]
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Rgb {
    float r, g, b;
};
struct Px {
    float r = 0, g = 0, b = 0, a = 0;
};

struct Image {
    int size;
    std::vector<Px> px;
    explicit Image(int s) : size(s), px(static_cast<size_t>(s * s)) {}
};

// Signed distances in pixel units; negative is inside.
float RoundRect(float x, float y, float x0, float y0, float x1, float y1, float r) {
    const float qx = std::fabs(x - (x0 + x1) / 2) - ((x1 - x0) / 2 - r);
    const float qy = std::fabs(y - (y0 + y1) / 2) - ((y1 - y0) / 2 - r);
    return std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - r;
}

float Segment(float x, float y, float ax, float ay, float bx, float by) {
    const float ex = bx - ax, ey = by - ay;
    const float t = std::clamp(((x - ax) * ex + (y - ay) * ey) / (ex * ex + ey * ey), 0.0f, 1.0f);
    return std::hypot(x - ax - t * ex, y - ay - t * ey);
}

float Polygon(float x, float y, const std::vector<float>& p) {
    const size_t n = p.size() / 2;
    float d = 1e9f;
    bool inside = false;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const float xi = p[2 * i], yi = p[2 * i + 1], xj = p[2 * j], yj = p[2 * j + 1];
        d = std::min(d, Segment(x, y, xi, yi, xj, yj));
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
    }
    return inside ? -d : d;
}

// Shape coverage of every pixel from a 4x4 grid of samples.
template <typename Sdf>
std::vector<float> Coverage(int size, Sdf sdf) {
    std::vector<float> cov(static_cast<size_t>(size * size));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) hits += sdf(x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4) <= 0;
            cov[static_cast<size_t>(y * size + x)] = hits / 16.0f;
        }
    return cov;
}

template <typename Sdf>
void Paint(Image& img, Rgb c, Sdf sdf) {
    const std::vector<float> cov = Coverage(img.size, sdf);
    for (size_t i = 0; i < cov.size(); ++i) {
        Px& d = img.px[i];
        const float a = cov[i] + d.a * (1 - cov[i]);
        if (a <= 0) continue;
        const float keep = d.a * (1 - cov[i]);
        d.r = (c.r * cov[i] + d.r * keep) / a;
        d.g = (c.g * cov[i] + d.g * keep) / a;
        d.b = (c.b * cov[i] + d.b * keep) / a;
        d.a = a;
    }
}

template <typename Sdf>
void Erase(Image& img, Sdf sdf) {
    const std::vector<float> cov = Coverage(img.size, sdf);
    for (size_t i = 0; i < cov.size(); ++i) img.px[i].a *= 1 - cov[i];
}

// Box, LEDs and arrow placed on the pixel grid of one icon size.
struct Layout {
    float boxX0, boxY0, boxX1, boxY1, boxR, edge;
    float ledY, ledSize;
    std::vector<float> ledX;
    std::vector<float> arrow;  // outline points, clockwise from the top left
    float gap;                 // clear space cut around the arrow
};

const Rgb kEdge{0x2B, 0x36, 0x45}, kBody{0x4A, 0x5B, 0x72};
const Rgb kLed{0xB4, 0xC8, 0xDE}, kLink{0x7C, 0xE8, 0x8E}, kArrow{0x2F, 0xB3, 0x4F};

Layout LayoutFor(int size) {
    if (size == 16) return {1, 8, 15, 15, 2, 0, 11, 2, {2, 12}, {6, 0, 10, 0, 10, 5, 14, 5, 8, 11, 2, 5, 6, 5}, 1};
    return {2, 16, 30, 29, 3.5f, 1, 22, 3, {5, 9, 20, 24}, {12, 1, 20, 1, 20, 10, 26, 10, 16, 21, 6, 10, 12, 10}, 1.5f};
}

Image Draw(int size) {
    const Layout l = LayoutFor(size);
    Image img(size);
    auto box = [&](float x, float y) { return RoundRect(x, y, l.boxX0, l.boxY0, l.boxX1, l.boxY1, l.boxR); };
    auto arrow = [&](float x, float y) { return Polygon(x, y, l.arrow); };
    Paint(img, l.edge > 0 ? kEdge : kBody, box);
    Paint(img, kBody, [&](float x, float y) { return box(x, y) + l.edge; });
    for (size_t i = 0; i < l.ledX.size(); ++i)
        Paint(img, i == 0 ? kLink : kLed, [&](float x, float y) {
            return RoundRect(x, y, l.ledX[i], l.ledY, l.ledX[i] + l.ledSize, l.ledY + l.ledSize, l.ledSize / 4);
        });
    Erase(img, [&](float x, float y) { return arrow(x, y) - l.gap; });
    Paint(img, kArrow, arrow);
    return img;
}

// Little-endian fields, each given as {value, size in bytes}.
void Put(std::vector<uint8_t>& out, std::initializer_list<std::pair<uint32_t, int>> fields) {
    for (const auto& [v, bytes] : fields)
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint8_t Byte(float v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

// BITMAPINFOHEADER, bottom-up BGRA rows, then the AND mask (set = transparent).
std::vector<uint8_t> Dib(const Image& img) {
    const int n = img.size, maskStride = (n + 31) / 32 * 4;
    std::vector<uint8_t> out;
    const uint32_t bits = uint32_t(n * n * 4 + maskStride * n);
    Put(out, {{40, 4}, {n, 4}, {2 * n, 4}, {1, 2}, {32, 2}, {0, 4}, {bits, 4}, {0, 4}, {0, 4}, {0, 4}, {0, 4}});
    for (int y = n - 1; y >= 0; --y)
        for (int x = 0; x < n; ++x) {
            const Px& p = img.px[static_cast<size_t>(y * n + x)];
            for (float v : {p.b, p.g, p.r, p.a * 255}) out.push_back(Byte(v));
        }
    for (int y = n - 1; y >= 0; --y) {
        std::vector<uint8_t> row(static_cast<size_t>(maskStride));
        for (int x = 0; x < n; ++x)
            if (Byte(img.px[static_cast<size_t>(y * n + x)].a * 255) == 0) row[x / 8] |= 0x80 >> (x % 8);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

std::vector<uint8_t> Ico(const std::vector<Image>& images) {
    std::vector<uint8_t> out, data;
    Put(out, {{0, 2}, {1, 2}, {uint32_t(images.size()), 2}});
    for (const Image& img : images) {
        const std::vector<uint8_t> dib = Dib(img);
        const uint32_t offset = uint32_t(6 + 16 * images.size() + data.size());
        Put(out, {{img.size, 1}, {img.size, 1}, {0, 2}, {1, 2}, {32, 2}, {uint32_t(dib.size()), 4}, {offset, 4}});
        data.insert(data.end(), dib.begin(), dib.end());
    }
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// The image scaled up 8x over a light checkerboard, so the edges can be judged.
std::vector<uint8_t> Preview(const Image& img) {
    const int n = img.size * 8;
    std::vector<uint8_t> out;
    for (char c : "P6\n" + std::to_string(n) + " " + std::to_string(n) + "\n255\n") out.push_back(uint8_t(c));
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const Px& p = img.px[static_cast<size_t>(y / 8 * img.size + x / 8)];
            const float bg = ((x / 8 + y / 8) % 2) ? 0xD8 : 0xF0;
            for (float v : {p.r, p.g, p.b}) out.push_back(Byte(v * p.a + bg * (1 - p.a)));
        }
    return out;
}

bool WriteFile(const char* path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: draw_icon OUT.ico [OUT_PREVIEW.ppm]\n");
        return 2;
    }
    const std::vector<Image> images{Draw(16), Draw(32)};
    if (!WriteFile(argv[1], Ico(images)) || (argc == 3 && !WriteFile(argv[2], Preview(images[1])))) {
        std::fprintf(stderr, "draw_icon: cannot write output\n");
        return 1;
    }
    return 0;
}
