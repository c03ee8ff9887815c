// Draws the program's icon, a glossy red heart on a transparent ground, 48 x 48 at 32 bits.
//
// Usage: love_icon_generator <icon.argb> <icon.ico>
//
// icon.argb holds the pixels the program embeds: 0xAARRGGBB words, little-endian, row by row
// from the top. icon.ico holds the same picture for the Windows executable: one 48 x 48 32-bit
// image (BGRA rows bottom-up with its AND mask).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kSide = 48;
constexpr int kSamples = 8;  // per pixel and axis, for the soft edge

// Inside the heart where the value is below 0; the heart fills about [-1.2, 1.2] x [-1.3, 1.1].
double heartField(double x, double y) {
    y = -y + 0.2;
    const double a = x * x + y * y - 1;
    return a * a * a - x * x * y * y * y;
}

double smoothstep(double e0, double e1, double x) {
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

struct Rgba {
    double r, g, b, a;
};

Rgba shade(double x, double y) {
    // Deep red at the lower tip, a rosy middle, a soft highlight on the upper left lobe.
    const double t = std::clamp((y + 1.1) / 2.3, 0.0, 1.0);
    double r = 236 - 60 * t, g = 58 - 40 * t, b = 92 - 50 * t;
    const double highlight = std::exp(-((x + 0.5) * (x + 0.5) + (y + 0.55) * (y + 0.55)) / 0.08);
    r += (255 - r) * 0.75 * highlight;
    g += (225 - g) * 0.75 * highlight;
    b += (235 - b) * 0.75 * highlight;
    return {r, g, b, 1.0};
}

std::vector<std::uint32_t> draw() {
    std::vector<std::uint32_t> pixels(kSide * kSide);
    for (int py = 0; py < kSide; ++py)
        for (int px = 0; px < kSide; ++px) {
            double r = 0, g = 0, b = 0, covered = 0;
            for (int j = 0; j < kSamples; ++j)
                for (int i = 0; i < kSamples; ++i) {
                    // The heart spans about 46 pixels, centred with a one-pixel margin.
                    const double x = ((px + (i + 0.5) / kSamples) - 24.0) / 19.5;
                    const double y = ((py + (j + 0.5) / kSamples) - 24.5) / 19.5;
                    const double f = heartField(x, y);
                    if (f >= 0) continue;
                    Rgba c = shade(x, y);
                    // A darker rim gives the edge definition at small sizes.
                    const double rim = smoothstep(-0.12, 0.0, f);
                    c.r *= 1 - 0.35 * rim;
                    c.g *= 1 - 0.35 * rim;
                    c.b *= 1 - 0.35 * rim;
                    r += c.r;
                    g += c.g;
                    b += c.b;
                    covered += 1;
                }
            if (covered == 0) continue;  // fully transparent
            const double alpha = covered / (kSamples * kSamples);
            auto channel = [&](double sum) {
                return static_cast<std::uint32_t>(std::clamp(sum / covered + 0.5, 0.0, 255.0));
            };
            const std::uint32_t a = static_cast<std::uint32_t>(alpha * 255 + 0.5);
            pixels[py * kSide + px] = (a << 24) | (channel(r) << 16) | (channel(g) << 8) | channel(b);
        }
    return pixels;
}

void put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> argbFile(const std::vector<std::uint32_t>& pixels) {
    std::vector<std::uint8_t> out;
    for (std::uint32_t p : pixels) put(out, p, 4);
    return out;
}

std::vector<std::uint8_t> icoFile(const std::vector<std::uint32_t>& pixels) {
    constexpr int kMaskStride = ((kSide + 31) / 32) * 4;
    constexpr std::uint32_t kImageBytes = 40 + kSide * kSide * 4 + kMaskStride * kSide;
    std::vector<std::uint8_t> out;
    put(out, 0, 2);  // reserved
    put(out, 1, 2);  // icon
    put(out, 1, 2);  // one image
    out.push_back(kSide);
    out.push_back(kSide);
    out.push_back(0);  // no palette
    out.push_back(0);
    put(out, 1, 2);   // planes
    put(out, 32, 2);  // bits per pixel
    put(out, kImageBytes, 4);
    put(out, 6 + 16, 4);
    // BITMAPINFOHEADER: the height counts the colour rows and the mask rows.
    put(out, 40, 4);
    put(out, kSide, 4);
    put(out, kSide * 2, 4);
    put(out, 1, 2);
    put(out, 32, 2);
    put(out, 0, 4);  // BI_RGB
    put(out, kSide * kSide * 4 + kMaskStride * kSide, 4);
    put(out, 0, 4);
    put(out, 0, 4);
    put(out, 0, 4);
    put(out, 0, 4);
    for (int y = kSide - 1; y >= 0; --y)
        for (int x = 0; x < kSide; ++x) put(out, pixels[y * kSide + x], 4);  // B G R A in memory
    // The AND mask marks the fully transparent pixels for viewers that ignore alpha.
    for (int y = kSide - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(kMaskStride, 0);
        for (int x = 0; x < kSide; ++x)
            if ((pixels[y * kSide + x] >> 24) == 0) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    if (out.size() != 6 + 16 + kImageBytes) throw std::runtime_error("icon file size");
    return out;
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: love_icon_generator <icon.argb> <icon.ico>\n";
        return 2;
    }
    try {
        const std::vector<std::uint32_t> pixels = draw();
        if ((pixels.front() >> 24) != 0 || (pixels.back() >> 24) != 0)
            throw std::runtime_error("icon check failed: transparent corners");
        writeFile(argv[1], argbFile(pixels));
        writeFile(argv[2], icoFile(pixels));
    } catch (const std::exception& error) {
        std::cerr << "love_icon_generator: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
