// Draws the program's pictures: the window icon (128x128, 32-bit ICO) and the
// restart prompt's picture (50x41, 24-bit BMP). Usage: make_art <out-folder>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Rgba { double r, g, b, a; };

void put16(std::vector<uint8_t>& v, unsigned x) { v.push_back(x & 0xFF); v.push_back((x >> 8) & 0xFF); }
void put32(std::vector<uint8_t>& v, uint32_t x) { put16(v, x & 0xFFFF); put16(v, x >> 16); }

double clamp01(double x) { return x < 0 ? 0 : (x > 1 ? 1 : x); }

// Coverage of a shape, 4x4 supersampled.
template <class Inside>
double coverage(double x, double y, Inside inside) {
    int hits = 0;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (inside(x + (i + 0.5) / 4, y + (j + 0.5) / 4)) ++hits;
    return hits / 16.0;
}

void blend(Rgba& dst, Rgba src, double cover) {
    const double a = src.a * cover;
    const double outA = a + dst.a * (1 - a);
    if (outA <= 0) return;
    dst.r = (src.r * a + dst.r * dst.a * (1 - a)) / outA;
    dst.g = (src.g * a + dst.g * dst.a * (1 - a)) / outA;
    dst.b = (src.b * a + dst.b * dst.a * (1 - a)) / outA;
    dst.a = outA;
}

// A hard disk seen from above with a circular "restore" arrow: the program's mark.
std::vector<Rgba> drawIcon(int n) {
    std::vector<Rgba> px(n * n, Rgba{0, 0, 0, 0});
    const double s = n / 128.0;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            Rgba& p = px[y * n + x];
            // Rounded square body, blue gradient.
            const double cover = coverage(x, y, [&](double u, double v) {
                const double r = 20 * s, lo = 6 * s, hi = n - 6 * s;
                const double cx = u < lo + r ? lo + r : (u > hi - r ? hi - r : u);
                const double cy = v < lo + r ? lo + r : (v > hi - r ? hi - r : v);
                return u >= lo && u <= hi && v >= lo && v <= hi && std::hypot(u - cx, v - cy) <= r;
            });
            const double t = double(y) / n;
            blend(p, {0.10 + 0.10 * t, 0.35 - 0.10 * t, 0.75 - 0.25 * t, 1}, cover);
            // Platter.
            const double c = n / 2.0;
            blend(p, {0.86, 0.89, 0.93, 1}, coverage(x, y, [&](double u, double v) {
                return std::hypot(u - c, v - c) <= 44 * s;
            }));
            // Arrow ring (three quarters of a circle) and its head.
            blend(p, {0.15, 0.65, 0.25, 1}, coverage(x, y, [&](double u, double v) {
                const double d = std::hypot(u - c, v - c);
                const double ang = std::atan2(v - c, u - c);
                return d >= 24 * s && d <= 34 * s && ang > -2.2;
            }));
            blend(p, {0.15, 0.65, 0.25, 1}, coverage(x, y, [&](double u, double v) {
                // Triangle pointing up at the ring's open end.
                const double ax = c - 29 * s * std::cos(0.95), ay = c - 29 * s * std::sin(0.95);
                const double du = u - ax, dv = v - ay;
                return dv >= -4 * s && dv <= 14 * s && std::fabs(du) <= (14 * s - dv) * 0.8;
            }));
            // Spindle.
            blend(p, {0.25, 0.28, 0.33, 1}, coverage(x, y, [&](double u, double v) {
                return std::hypot(u - c, v - c) <= 8 * s;
            }));
        }
    }
    return px;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::vector<uint8_t> icoFile(const std::vector<Rgba>& px, int n) {
    const uint32_t maskRow = ((n + 31) / 32) * 4;
    const uint32_t imageSize = 40 + n * n * 4 + maskRow * n;
    std::vector<uint8_t> v;
    put16(v, 0); put16(v, 1); put16(v, 1);                    // ICONDIR
    v.push_back(n >= 256 ? 0 : n); v.push_back(n >= 256 ? 0 : n);
    v.push_back(0); v.push_back(0); put16(v, 1); put16(v, 32);
    put32(v, imageSize); put32(v, 6 + 16);                    // ICONDIRENTRY
    put32(v, 40); put32(v, n); put32(v, 2 * n); put16(v, 1); put16(v, 32);
    put32(v, 0); put32(v, n * n * 4 + maskRow * n); put32(v, 0); put32(v, 0); put32(v, 0); put32(v, 0);
    for (int y = n - 1; y >= 0; --y)                          // bottom-up BGRA
        for (int x = 0; x < n; ++x) {
            const Rgba& p = px[y * n + x];
            v.push_back(uint8_t(std::lround(clamp01(p.b) * 255)));
            v.push_back(uint8_t(std::lround(clamp01(p.g) * 255)));
            v.push_back(uint8_t(std::lround(clamp01(p.r) * 255)));
            v.push_back(uint8_t(std::lround(clamp01(p.a) * 255)));
        }
    for (int y = n - 1; y >= 0; --y)                          // AND mask: 1 = transparent
        for (uint32_t b = 0; b < maskRow; ++b) {
            uint8_t bits = 0;
            for (int k = 0; k < 8; ++k) {
                const int x = int(b * 8) + k;
                if (x < n && px[y * n + x].a < 0.5) bits |= uint8_t(0x80 >> k);
            }
            v.push_back(bits);
        }
    return v;
}

std::vector<uint8_t> bmpFile(const std::vector<Rgba>& px, int w, int h) {
    const uint32_t row = (w * 3 + 3) & ~3u;
    std::vector<uint8_t> v;
    v.push_back('B'); v.push_back('M'); put32(v, 54 + row * h); put32(v, 0); put32(v, 54);
    put32(v, 40); put32(v, w); put32(v, h); put16(v, 1); put16(v, 24);
    put32(v, 0); put32(v, row * h); put32(v, 2835); put32(v, 2835); put32(v, 0); put32(v, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            Rgba p = {1, 1, 1, 1};  // on the dialog's white-ish face
            const Rgba& s = px[y * w + x];
            blend(p, {s.r, s.g, s.b, 1}, s.a);
            v.push_back(uint8_t(std::lround(clamp01(p.b) * 255)));
            v.push_back(uint8_t(std::lround(clamp01(p.g) * 255)));
            v.push_back(uint8_t(std::lround(clamp01(p.r) * 255)));
        }
        for (uint32_t pad = w * 3; pad < row; ++pad) v.push_back(0);
    }
    return v;
}

// The prompt's picture: a green restart arrow beside a small disk.
std::vector<Rgba> drawPrompt(int w, int h) {
    std::vector<Rgba> px(w * h, Rgba{0, 0, 0, 0});
    const double cx = w / 2.0, cy = h / 2.0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgba& p = px[y * w + x];
            blend(p, {0.20, 0.45, 0.80, 1}, coverage(x, y, [&](double u, double v) {
                return std::hypot(u - cx, v - cy) <= 18;
            }));
            blend(p, {1, 1, 1, 1}, coverage(x, y, [&](double u, double v) {
                const double d = std::hypot(u - cx, v - cy);
                const double ang = std::atan2(v - cy, u - cx);
                return d >= 9 && d <= 13 && ang > -2.0;
            }));
            blend(p, {1, 1, 1, 1}, coverage(x, y, [&](double u, double v) {
                const double ax = cx - 11 * std::cos(1.15), ay = cy - 11 * std::sin(1.15);
                const double du = u - ax, dv = v - ay;
                return dv >= -2 && dv <= 6 && std::fabs(du) <= (6 - dv) * 0.8;
            }));
        }
    return px;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_art <out-folder>\n");
        return 2;
    }
    const std::string dir = argv[1];
    const int n = 128;
    if (!writeFile(dir + "/trivex.ico", icoFile(drawIcon(n), n))) return 1;
    if (!writeFile(dir + "/prompt.bmp", bmpFile(drawPrompt(50, 41), 50, 41))) return 1;
    return 0;
}
