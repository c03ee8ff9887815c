// Paints the photograph the photo window carries and writes it as a baseline JPEG.
//
// Usage: love_photo_generator <out.jpg> [<quality>]
//
// A warm evening sky over the sea, the sun low on the horizon with its path on the water, soft
// clouds and a few glowing hearts. The file keeps the segment layout the program relies on:
// SOI, an Exif APP1, two quantisation tables, SOF0 with Y Cb Cr all sampled 1 x 1, four
// Huffman tables, one scan, EOI; no JFIF segment. The generator walks the markers it wrote and
// fails if the layout differs.
// jpeglib.h needs size_t and FILE declared before it.
// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 599;

struct Rgb {
    double r, g, b;
};
Rgb mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
double smoothstep(double e0, double e1, double x) {
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Smooth value noise for clouds and ripples.
double hash(int x, int y) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xffffff) / double(0xffffff);
}
double noise(double x, double y) {
    const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    const double fx = x - ix, fy = y - iy;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double a = hash(ix, iy), b = hash(ix + 1, iy), c = hash(ix, iy + 1), d = hash(ix + 1, iy + 1);
    return a + (b - a) * sx + (c - a) * sy + (a - b - c + d) * sx * sy;
}
double fractal(double x, double y) {
    double sum = 0, amplitude = 0.5;
    for (int octave = 0; octave < 5; ++octave) {
        sum += amplitude * noise(x, y);
        x *= 2.03;
        y *= 2.03;
        amplitude *= 0.5;
    }
    return sum;
}

// A heart of unit size centred on (0, 0): inside where the value is below 0.
double heartField(double x, double y) {
    y = -y + 0.25;
    const double a = x * x + y * y - 1;
    return a * a * a - x * x * y * y * y;
}

struct Heart {
    double x, y, size, glow;
};

Rgb pixelAt(int px, int py) {
    const double horizon = kHeight * 0.64;
    const double sunX = kWidth * 0.62, sunY = horizon - 18;
    const Rgb zenith{58, 44, 120}, high{168, 86, 156}, low{250, 152, 120}, glowColour{255, 214, 150};
    auto sky = [&](double x, double y) {
        const double t = std::clamp(y / horizon, 0.0, 1.0);
        Rgb c = t < 0.55 ? mix(zenith, high, smoothstep(0.0, 0.55, t)) : mix(high, low, smoothstep(0.55, 1.0, t));
        const double d = std::hypot(x - sunX, (y - sunY) * 1.6);
        c = mix(c, glowColour, 0.75 * std::exp(-d / 160.0));
        // Clouds: soft bands lit from below.
        const double cloud =
            smoothstep(0.52, 0.78, fractal(x / 180.0, y / 45.0)) * smoothstep(horizon, horizon * 0.35, y);
        c = mix(c, mix(Rgb{120, 70, 130}, Rgb{255, 190, 170}, smoothstep(horizon * 0.2, horizon, y)), cloud * 0.6);
        if (d < 46) c = mix(c, Rgb{255, 244, 214}, smoothstep(46, 40, d));
        return c;
    };
    const double x = px, y = py;
    Rgb c;
    if (y < horizon) {
        c = sky(x, y);
    } else {
        // The sea mirrors the sky, darker, broken by ripples, with the sun's path on it.
        const double depth = (y - horizon) / (kHeight - horizon);
        const double ripple = fractal(x / 60.0, y / 6.0);
        Rgb mirrored = sky(x + (ripple - 0.5) * 30, horizon - (y - horizon) * 1.5);
        c = mix(mirrored, Rgb{40, 30, 80}, 0.35 + 0.4 * depth);
        const double path = std::exp(-std::pow((x - sunX) / (40 + 160 * depth), 2)) * smoothstep(0.45, 0.75, ripple);
        c = mix(c, Rgb{255, 220, 170}, path * 0.8);
    }
    static const Heart hearts[] = {
        {150, 140, 60, 1.0}, {300, 80, 34, 0.8}, {690, 150, 44, 0.9}, {480, 230, 26, 0.7},
        {95, 300, 28, 0.6},  {560, 70, 20, 0.6}, {740, 290, 22, 0.5}, {250, 250, 18, 0.5},
    };
    for (const Heart& h : hearts) {
        const double field = heartField((x - h.x) / h.size, (y - h.y) / h.size);
        const double halo = std::exp(-std::max(field, 0.0) * 2.5);
        c = mix(c, Rgb{255, 150, 190}, 0.25 * h.glow * halo);
        if (field < 0) {
            const double shade = 0.5 + 0.5 * ((h.y - y) / h.size);
            c = mix(c, mix(Rgb{232, 60, 110}, Rgb{255, 170, 200}, std::clamp(shade, 0.0, 1.0)), 0.85 * h.glow);
        }
    }
    return c;
}

std::vector<std::uint8_t> exifSegmentBody() {
    // "Exif\0\0", then a little-endian TIFF header with one IFD holding the orientation (1, as
    // stored) and no further IFD.
    return {'E',  'x',  'i', 'f', 0, 0,                    // Exif identifier
            'I',  'I',  42,  0,   8, 0, 0, 0,              // TIFF header, IFD at offset 8
            1,    0,                                       // one entry
            0x12, 0x01, 3,   0,   1, 0, 0, 0, 1, 0, 0, 0,  // orientation, SHORT, 1 value: 1
            0,    0,    0,   0};                           // no next IFD
}

std::vector<std::uint8_t> encode(const std::vector<std::uint8_t>& rgb, int quality) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    errors.error_exit = [](j_common_ptr cinfo) {
        char message[JMSG_LENGTH_MAX];
        (*cinfo->err->format_message)(cinfo, message);
        throw std::runtime_error(std::string("libjpeg: ") + message);
    };
    jpeg_create_compress(&info);
    std::unique_ptr<jpeg_compress_struct, void (*)(jpeg_compress_struct*)> guard(&info, jpeg_destroy_compress);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = kWidth;
    info.image_height = kHeight;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.write_JFIF_header = FALSE;
    info.optimize_coding = FALSE;
    for (int i = 0; i < 3; ++i) {
        info.comp_info[i].h_samp_factor = 1;
        info.comp_info[i].v_samp_factor = 1;
    }
    jpeg_start_compress(&info, TRUE);
    const std::vector<std::uint8_t> exif = exifSegmentBody();
    jpeg_write_marker(&info, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&rgb[static_cast<std::size_t>(info.next_scanline) * kWidth * 3]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

void require(bool fact, const std::string& what) {
    if (!fact) throw std::runtime_error("photo check failed: " + what);
}

// Walks the segments and checks their order and the frame's facts.
void checkLayout(const std::vector<std::uint8_t>& jpeg) {
    require(jpeg.size() > 4 && jpeg[0] == 0xFF && jpeg[1] == 0xD8, "starts with SOI");
    std::string order;
    std::size_t at = 2;
    for (;;) {
        require(at + 4 <= jpeg.size() && jpeg[at] == 0xFF, "a marker where one belongs");
        const int marker = jpeg[at + 1];
        const std::size_t length = (jpeg[at + 2] << 8) | jpeg[at + 3];
        require(at + 2 + length <= jpeg.size(), "segment inside the file");
        const std::uint8_t* body = &jpeg[at + 4];
        switch (marker) {
            case 0xE1:
                require(std::string(body, body + 6) == std::string("Exif\0\0", 6), "APP1 is Exif");
                order += 'X';
                break;
            case 0xDB:
                require(length == 67, "one table per quantisation segment");
                order += 'Q';
                break;
            case 0xC0:
                require(body[0] == 8, "8-bit samples");
                require(((body[1] << 8) | body[2]) == kHeight && ((body[3] << 8) | body[4]) == kWidth, "800 x 599");
                require(body[5] == 3, "three components");
                for (int c = 0; c < 3; ++c)
                    require(body[6 + 3 * c] == c + 1 && body[7 + 3 * c] == 0x11, "1 x 1 sampling");
                order += 'F';
                break;
            case 0xC4:
                order += 'H';
                break;
            case 0xDA:
                order += 'S';
                break;
            default:
                require(false, "unexpected marker " + std::to_string(marker));
        }
        if (marker == 0xDA) break;
        at += 2 + length;
    }
    require(order == "XQQFHHHHS", "segment order (got " + order + ")");
    require(jpeg[jpeg.size() - 2] == 0xFF && jpeg.back() == 0xD9, "ends with EOI");
    // Exactly one scan: no further SOS between the scan and EOI (0xFF00 is stuffing, 0xFFD0-D7
    // restart markers, which are not written).
    for (std::size_t i = at + 2; i + 2 < jpeg.size(); ++i)
        require(!(jpeg[i] == 0xFF && jpeg[i + 1] != 0x00), "one scan and nothing after it but EOI");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: love_photo_generator <out.jpg> [<quality>]\n";
        return 2;
    }
    try {
        const int quality = argc == 3 ? std::stoi(argv[2]) : 90;
        std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kWidth) * kHeight * 3);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const Rgb c = pixelAt(x, y);
                std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * kWidth + x) * 3];
                p[0] = static_cast<std::uint8_t>(std::clamp(c.r + 0.5, 0.0, 255.0));
                p[1] = static_cast<std::uint8_t>(std::clamp(c.g + 0.5, 0.0, 255.0));
                p[2] = static_cast<std::uint8_t>(std::clamp(c.b + 0.5, 0.0, 255.0));
            }
        const std::vector<std::uint8_t> jpeg = encode(rgb, quality);
        checkLayout(jpeg);
        std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
        if (!out) throw std::runtime_error(std::string("cannot write ") + argv[1]);
        std::cout << "photo: " << jpeg.size() << " bytes\n";
    } catch (const std::exception& error) {
        std::cerr << "love_photo_generator: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
