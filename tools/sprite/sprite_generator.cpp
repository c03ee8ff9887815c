// Draws the rose sprite and writes it as the GIF the program carries.
//
// Usage: love_sprite_generator <out.gif> [<preview.ppm>]
//
// The bloom is painted back to front out of rings of overlapping petals around a curled centre,
// each petal shaded from its base to its rim and casting a soft shadow on the petals beneath.
// It is sampled 4 x 4 per pixel, reduced to a colour table by median cut and encoded with our
// own LZW coder. Before writing, the generator checks every fact the program relies on (sizes,
// the colour table's layout, the white surround, the bloom's bounds) and fails if one is broken.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 99;
constexpr int kHeight = 87;
constexpr int kSamples = 4;  // per pixel and axis
constexpr double kPi = 3.14159265358979323846;

struct Rgb {
    double r = 0, g = 0, b = 0;
};
Rgb mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
Rgb scale(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }
double smoothstep(double e0, double e1, double x) {
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Petal colours: a pale pink, deeper in the folds.
const Rgb kRim{253, 224, 230};
const Rgb kFace{246, 190, 204};
const Rgb kFold{222, 138, 162};
const Rgb kDeep{176, 72, 106};
const Rgb kEdgeLine{196, 102, 130};

struct Petal {
    double cx, cy;  // centre in scene units
    double angle;   // direction the petal opens to
    double radial;  // semi-axis along that direction
    double across;  // semi-axis across it
    double cup;     // 0 flat .. 1 deeply cupped (darker base, brighter rim)
    double light;   // brightness from where it faces
};

// A petal is an egg shape, wider towards its rim; d < 1 inside, 1 on the rim.
double petalDistance(const Petal& p, double x, double y, double& along) {
    const double dx = x - p.cx;
    const double dy = y - p.cy;
    const double c = std::cos(p.angle);
    const double s = std::sin(p.angle);
    const double u = (dx * c + dy * s) / p.radial;  // -1 base .. 1 rim
    const double v = (-dx * s + dy * c) / p.across;
    const double widen = 0.82 + 0.18 * (u + 1) / 2;  // broader towards the rim
    along = (u + 1) / 2;
    const double vv = v / widen;
    return std::sqrt(u * u + vv * vv);
}

class Rose {
public:
    Rose() {
        std::uint32_t seed = 20261211;
        auto jitter = [&seed](double amount) {
            seed = seed * 1664525u + 1013904223u;
            return ((seed >> 8) / double(1 << 24) * 2 - 1) * amount;
        };
        // Rings from the outside in: count, distance, size, cup, turn.
        struct Ring {
            int count;
            double distance, radial, across, cup, turn;
        };
        const Ring rings[] = {
            {6, 0.56, 0.44, 0.50, 0.15, 0.0}, {5, 0.42, 0.40, 0.46, 0.35, 0.6}, {5, 0.30, 0.34, 0.40, 0.5, 1.2},
            {4, 0.19, 0.28, 0.33, 0.65, 0.3}, {3, 0.10, 0.22, 0.25, 0.8, 1.9},
        };
        const double lightX = -0.55, lightY = -0.83;  // from the upper left
        for (const Ring& ring : rings) {
            for (int i = 0; i < ring.count; ++i) {
                const double a = ring.turn + 2 * kPi * i / ring.count + jitter(0.18);
                const double d = ring.distance * (1 + jitter(0.06));
                Petal p;
                // Seen a little from above: the rose is squashed and its inner rings sit higher.
                p.cx = d * std::cos(a);
                p.cy = d * std::sin(a) * 0.88 - (0.56 - ring.distance) * 0.22;
                p.angle = a;
                p.radial = ring.radial * (1 + jitter(0.07));
                p.across = ring.across * (1 + jitter(0.07));
                p.cup = ring.cup;
                p.light = 0.93 + 0.10 * (std::cos(a) * lightX + std::sin(a) * lightY);
                petals_.push_back(p);
            }
        }
        centreX_ = 0.0;
        centreY_ = -(0.56) * 0.22 - 0.01;
    }

    // The colour at a scene point, or nothing outside the bloom.
    std::optional<Rgb> at(double x, double y) const {
        std::optional<Rgb> colour;
        for (const Petal& p : petals_) {
            double along = 0;
            const double d = petalDistance(p, x, y, along);
            if (d >= 1.0) {
                // Soft shadow of this petal on what lies beneath, towards the lower right.
                if (colour) {
                    double along2 = 0;
                    const double ds = petalDistance(p, x - 0.025, y - 0.035, along2);
                    if (ds < 1.12) *colour = scale(*colour, 1 - 0.22 * smoothstep(1.12, 0.95, ds));
                }
                continue;
            }
            // Base in the fold, face in the middle, a lighter rolled rim, a fine darker edge.
            Rgb c = mix(mix(kDeep, kFold, 0.35 + 0.65 * (1 - p.cup)), kFace, smoothstep(0.0, 0.55, along));
            c = mix(c, kRim, smoothstep(0.72, 0.96, d) * (0.5 + 0.5 * p.cup));
            c = scale(c, p.light);
            // Faint veins running from the base.
            const double vein = std::fabs(std::sin((std::atan2(y - p.cy, x - p.cx) - p.angle) * 9.0));
            c = scale(c, 1 - 0.035 * (1 - vein) * (1 - along));
            if (d > 0.955) c = mix(c, kEdgeLine, smoothstep(0.955, 0.995, d) * 0.8);
            colour = c;
        }
        // The curled heart of the bloom: a tight spiral of petal edges, darkest at the middle.
        const double dx = x - centreX_;
        const double dy = (y - centreY_) / 0.88;
        const double r = std::sqrt(dx * dx + dy * dy);
        if (r < 0.14) {
            const double theta = std::atan2(dy, dx);
            const double phase = theta / (2 * kPi) + r * 16.0;
            const double curl = phase - std::floor(phase);
            Rgb c = mix(kDeep, kFold, smoothstep(0.0, 0.14, r));
            c = mix(c, kFace, smoothstep(0.35, 0.9, curl) * smoothstep(0.01, 0.1, r));
            if (curl < 0.14) c = mix(c, kDeep, 0.75);
            if (curl > 0.86) c = mix(c, kRim, 0.5 * smoothstep(0.02, 0.1, r));
            colour = mix(c, colour.value_or(c), smoothstep(0.11, 0.14, r));
        }
        return colour;
    }

    // The bloom's extent in scene units, found on a fine grid.
    void extent(double& minX, double& maxX, double& minY, double& maxY) const {
        minX = minY = 1e9;
        maxX = maxY = -1e9;
        for (int j = 0; j <= 1600; ++j)
            for (int i = 0; i <= 1600; ++i) {
                const double x = -1.2 + 2.4 * i / 1600;
                const double y = -1.2 + 2.4 * j / 1600;
                if (!at(x, y)) continue;
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
    }

private:
    std::vector<Petal> petals_;
    double centreX_ = 0, centreY_ = 0;
};

struct Image {
    std::vector<Rgb> colours = std::vector<Rgb>(kWidth * kHeight);
    std::vector<bool> bloom = std::vector<bool>(kWidth * kHeight, false);
};

// Samples the rose into the sprite; margin widens the mapping of the bloom's extent onto
// columns 1..98 and rows 1..86.
Image sample(const Rose& rose, double margin) {
    double minX, maxX, minY, maxY;
    rose.extent(minX, maxX, minY, maxY);
    const double sx = (kWidth - 1 + 2 * margin) / (maxX - minX);
    const double sy = (kHeight - 1 + 2 * margin) / (maxY - minY);
    Image image;
    for (int py = 0; py < kHeight; ++py)
        for (int px = 0; px < kWidth; ++px) {
            Rgb sum;
            int inside = 0;
            for (int j = 0; j < kSamples; ++j)
                for (int i = 0; i < kSamples; ++i) {
                    const double fx = px + (i + 0.5) / kSamples;
                    const double fy = py + (j + 0.5) / kSamples;
                    const auto c = rose.at(minX + (fx - 1 + margin) / sx, minY + (fy - 1 + margin) / sy);
                    if (!c) continue;
                    sum = {sum.r + c->r, sum.g + c->g, sum.b + c->b};
                    ++inside;
                }
            // Hard edge: a pixel is bloom or pure white, never a blend with the white, so the
            // draw key removes the whole surround and no pale fringe is left.
            if (inside * 2 >= kSamples * kSamples) {
                image.bloom[py * kWidth + px] = true;
                image.colours[py * kWidth + px] = scale(sum, 1.0 / inside);
            }
        }
    return image;
}

// ---- Colour table ----------------------------------------------------------------------------

using Colour = std::array<std::uint8_t, 3>;

std::vector<Colour> medianCut(std::vector<Colour> colours, std::size_t wanted) {
    std::vector<std::vector<Colour>> boxes{std::move(colours)};
    auto range = [](const std::vector<Colour>& box, int& channel) {
        int best = -1;
        for (int c = 0; c < 3; ++c) {
            auto [lo, hi] = std::minmax_element(box.begin(), box.end(), [c](auto& a, auto& b) { return a[c] < b[c]; });
            if ((*hi)[c] - (*lo)[c] > best) {
                best = (*hi)[c] - (*lo)[c];
                channel = c;
            }
        }
        return best;
    };
    while (boxes.size() < wanted) {
        int bestRange = 0, bestChannel = 0;
        std::size_t bestBox = boxes.size();
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            int channel = 0;
            const int r = boxes[i].size() > 1 ? range(boxes[i], channel) : 0;
            if (r > bestRange) {
                bestRange = r;
                bestBox = i;
                bestChannel = channel;
            }
        }
        if (bestBox == boxes.size()) break;
        auto& box = boxes[bestBox];
        std::sort(box.begin(), box.end(), [bestChannel](auto& a, auto& b) { return a[bestChannel] < b[bestChannel]; });
        std::vector<Colour> upper(box.begin() + box.size() / 2, box.end());
        box.resize(box.size() / 2);
        boxes.push_back(std::move(upper));
    }
    std::vector<Colour> palette;
    for (const auto& box : boxes) {
        std::array<long, 3> sum{};
        for (const auto& c : box)
            for (int k = 0; k < 3; ++k) sum[k] += c[k];
        Colour mean;
        for (int k = 0; k < 3; ++k)
            mean[k] = static_cast<std::uint8_t>((sum[k] + long(box.size()) / 2) / long(box.size()));
        palette.push_back(mean);
    }
    return palette;
}

int nearest(const std::vector<Colour>& palette, std::size_t first, Colour c) {
    int best = 0;
    long bestDistance = 1L << 40;
    for (std::size_t i = first; i < palette.size(); ++i) {
        long d = 0;
        for (int k = 0; k < 3; ++k) d += long(palette[i][k] - c[k]) * (palette[i][k] - c[k]);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

bool nearWhite(Colour c) { return c[0] >= 240 && c[1] >= 240 && c[2] >= 240; }

constexpr Colour kBackgroundGreen{0x1f, 0x4d, 0x2c};
constexpr Colour kWhite{255, 255, 255};
constexpr int kWhiteIndex = 1;

struct Indexed {
    std::vector<Colour> table;  // 256 entries
    std::vector<std::uint8_t> pixels;
};

Indexed index(const Image& image) {
    std::vector<Colour> bloomColours;
    for (int i = 0; i < kWidth * kHeight; ++i)
        if (image.bloom[i]) {
            const Rgb& c = image.colours[i];
            Colour q{static_cast<std::uint8_t>(std::clamp(c.r + 0.5, 0.0, 255.0)),
                     static_cast<std::uint8_t>(std::clamp(c.g + 0.5, 0.0, 255.0)),
                     static_cast<std::uint8_t>(std::clamp(c.b + 0.5, 0.0, 255.0))};
            // Keep the bloom clear of the white and of anything that could pass for it.
            if (nearWhite(q)) q[1] = 232;
            bloomColours.push_back(q);
        }
    Indexed out;
    out.table = {kBackgroundGreen, kWhite};
    for (const Colour& c : medianCut(bloomColours, 254))
        out.table.push_back(nearWhite(c) ? Colour{c[0], 232, c[2]} : c);
    while (out.table.size() < 256) out.table.push_back(kBackgroundGreen);
    out.pixels.resize(kWidth * kHeight);
    std::size_t k = 0;
    for (int i = 0; i < kWidth * kHeight; ++i)
        out.pixels[i] =
            image.bloom[i] ? static_cast<std::uint8_t>(nearest(out.table, 2, bloomColours[k++])) : kWhiteIndex;
    return out;
}

// ---- LZW and the GIF file --------------------------------------------------------------------

class BitWriter {
public:
    void put(unsigned code, int bits) {
        buffer_ |= static_cast<std::uint64_t>(code) << count_;
        count_ += bits;
        while (count_ >= 8) {
            bytes.push_back(static_cast<std::uint8_t>(buffer_));
            buffer_ >>= 8;
            count_ -= 8;
        }
    }
    void flush() {
        if (count_ > 0) bytes.push_back(static_cast<std::uint8_t>(buffer_));
        buffer_ = 0;
        count_ = 0;
    }
    std::vector<std::uint8_t> bytes;

private:
    std::uint64_t buffer_ = 0;
    int count_ = 0;
};

std::vector<std::uint8_t> lzwEncode(const std::vector<std::uint8_t>& pixels, int minCodeSize) {
    const unsigned clear = 1u << minCodeSize;
    const unsigned end = clear + 1;
    // Dictionary: (prefix code, next byte) -> code.
    std::vector<int> table(4096 * 256, -1);
    unsigned next = end + 1;
    int bits = minCodeSize + 1;
    BitWriter out;
    out.put(clear, bits);
    int prefix = -1;
    for (std::uint8_t value : pixels) {
        if (prefix < 0) {
            prefix = value;
            continue;
        }
        const int found = table[prefix * 256 + value];
        if (found >= 0) {
            prefix = found;
            continue;
        }
        out.put(prefix, bits);
        if (next < 4096) {
            table[prefix * 256 + value] = static_cast<int>(next);
            // The decoder widens its codes once it has assigned the code one past the width.
            if (next == (1u << bits) && bits < 12) ++bits;
            ++next;
        } else {
            out.put(clear, bits);
            std::fill(table.begin(), table.end(), -1);
            next = end + 1;
            bits = minCodeSize + 1;
        }
        prefix = value;
    }
    if (prefix >= 0) out.put(prefix, bits);
    out.put(end, bits);
    out.flush();
    return out.bytes;
}

std::vector<std::uint8_t> lzwDecode(const std::vector<std::uint8_t>& data, int minCodeSize, std::size_t expected) {
    const unsigned clear = 1u << minCodeSize;
    const unsigned end = clear + 1;
    std::vector<std::vector<std::uint8_t>> dict;
    auto reset = [&] {
        dict.assign(end + 1, {});
        for (unsigned i = 0; i < clear; ++i) dict[i] = {static_cast<std::uint8_t>(i)};
    };
    reset();
    int bits = minCodeSize + 1;
    std::size_t bitPos = 0;
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> previous;
    while (bitPos + bits <= data.size() * 8) {
        unsigned code = 0;
        for (int i = 0; i < bits; ++i, ++bitPos) code |= ((data[bitPos / 8] >> (bitPos % 8)) & 1u) << i;
        if (code == clear) {
            reset();
            bits = minCodeSize + 1;
            previous.clear();
            continue;
        }
        if (code == end) break;
        std::vector<std::uint8_t> entry;
        if (code < dict.size()) {
            entry = dict[code];
        } else if (code == dict.size() && !previous.empty()) {
            entry = previous;
            entry.push_back(previous[0]);
        } else {
            throw std::runtime_error("LZW check: bad code");
        }
        out.insert(out.end(), entry.begin(), entry.end());
        if (!previous.empty() && dict.size() < 4096) {
            previous.push_back(entry[0]);
            dict.push_back(previous);
            if (dict.size() == (1u << bits) && bits < 12) ++bits;
        }
        previous = entry;
    }
    if (out.size() != expected) throw std::runtime_error("LZW check: wrong pixel count");
    return out;
}

void put16(std::vector<std::uint8_t>& out, int v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xff));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

std::vector<std::uint8_t> gifFile(const Indexed& image) {
    std::vector<std::uint8_t> out;
    for (char c : std::string("GIF89a")) out.push_back(static_cast<std::uint8_t>(c));
    put16(out, kWidth);
    put16(out, kHeight);
    out.push_back(0xF7);  // global table, colour resolution 8 bits, not sorted, 256 entries
    out.push_back(0);     // background colour index
    out.push_back(0);     // pixel aspect ratio
    for (const Colour& c : image.table) out.insert(out.end(), c.begin(), c.end());
    out.push_back(0x2C);  // image descriptor, straight after the table: no extensions
    put16(out, 0);
    put16(out, 0);
    put16(out, kWidth);
    put16(out, kHeight);
    out.push_back(0);  // no local table, not interlaced
    out.push_back(8);  // LZW minimum code size
    const std::vector<std::uint8_t> data = lzwEncode(image.pixels, 8);
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - at);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), data.begin() + at, data.begin() + at + n);
    }
    out.push_back(0);     // block terminator
    out.push_back(0x3B);  // trailer
    return out;
}

// ---- Checks ----------------------------------------------------------------------------------

void require(bool fact, const std::string& what) {
    if (!fact) throw std::runtime_error("sprite check failed: " + what);
}

void checkPicture(const Indexed& image) {
    auto colourAt = [&](int x, int y) { return image.table[image.pixels[y * kWidth + x]]; };
    auto white = [&](int x, int y) { return colourAt(x, y) == kWhite; };
    require(white(0, 0) && white(kWidth - 1, 0) && white(0, kHeight - 1) && white(kWidth - 1, kHeight - 1),
            "all four corners white");
    int minX = kWidth, maxX = -1, minY = kHeight, maxY = -1;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (!white(x, y)) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
    require(minX == 1 && maxX == kWidth - 1 && minY == 1 && maxY == kHeight - 1,
            "bloom spans columns 1..98 and rows 1..86 (it spans " + std::to_string(minX) + ".." + std::to_string(maxX) +
                ", " + std::to_string(minY) + ".." + std::to_string(maxY) + ")");
    // Every white pixel reaches the edge through white pixels (4-neighbourhood).
    std::vector<bool> reached(kWidth * kHeight, false);
    std::vector<int> stack;
    for (int x = 0; x < kWidth; ++x)
        for (int y : {0, kHeight - 1}) stack.push_back(y * kWidth + x);
    for (int y = 0; y < kHeight; ++y)
        for (int x : {0, kWidth - 1}) stack.push_back(y * kWidth + x);
    while (!stack.empty()) {
        const int at = stack.back();
        stack.pop_back();
        const int x = at % kWidth, y = at / kWidth;
        if (reached[at] || !white(x, y)) continue;
        reached[at] = true;
        if (x > 0) stack.push_back(at - 1);
        if (x + 1 < kWidth) stack.push_back(at + 1);
        if (y > 0) stack.push_back(at - kWidth);
        if (y + 1 < kHeight) stack.push_back(at + kWidth);
    }
    for (int i = 0; i < kWidth * kHeight; ++i)
        require(!white(i % kWidth, i / kWidth) || reached[i], "every white pixel is connected to the edge");
    require(image.table.size() == 256, "256 table entries");
    for (std::size_t i = 0; i < image.table.size(); ++i)
        require(i == kWhiteIndex || !nearWhite(image.table[i]), "no table colour but the white at 240 or more");
}

void checkFile(const std::vector<std::uint8_t>& gif, const Indexed& image) {
    require(std::string(gif.begin(), gif.begin() + 6) == "GIF89a", "signature");
    require(gif[6] == kWidth && gif[7] == 0 && gif[8] == kHeight && gif[9] == 0, "logical screen 99 x 87");
    require(gif[10] == 0xF7 && gif[11] == 0 && gif[12] == 0, "table flags, background index 0, aspect 0");
    const std::size_t descriptor = 13 + 3 * 256;
    require(gif[descriptor] == 0x2C, "image descriptor straight after the table (no extension)");
    require(
        gif[descriptor + 1] == 0 && gif[descriptor + 2] == 0 && gif[descriptor + 3] == 0 && gif[descriptor + 4] == 0,
        "image at (0, 0)");
    require(gif[descriptor + 5] == kWidth && gif[descriptor + 7] == kHeight && gif[descriptor + 9] == 0,
            "image 99 x 87, no local table, not interlaced");
    require(gif[descriptor + 10] == 8, "LZW minimum code size 8");
    require(gif.back() == 0x3B, "trailer last");
    std::vector<std::uint8_t> data;
    std::size_t at = descriptor + 11;
    while (gif.at(at) != 0) {
        const std::size_t n = gif[at];
        data.insert(data.end(), gif.begin() + at + 1, gif.begin() + at + 1 + n);
        at += n + 1;
    }
    require(at + 2 == gif.size(), "only the trailer after the image data");
    require(lzwDecode(data, 8, image.pixels.size()) == image.pixels, "the image data decodes to the picture");
}

// Any white pixel that the edge cannot reach would be cut out of the bloom: make it bloom.
void fillEnclosedWhite(Image& image) {
    std::vector<bool> reached(kWidth * kHeight, false);
    std::vector<int> stack;
    for (int i = 0; i < kWidth * kHeight; ++i) {
        const int x = i % kWidth, y = i / kWidth;
        if (x == 0 || y == 0 || x == kWidth - 1 || y == kHeight - 1) stack.push_back(i);
    }
    while (!stack.empty()) {
        const int at = stack.back();
        stack.pop_back();
        if (reached[at] || image.bloom[at]) continue;
        reached[at] = true;
        const int x = at % kWidth, y = at / kWidth;
        if (x > 0) stack.push_back(at - 1);
        if (x + 1 < kWidth) stack.push_back(at + 1);
        if (y > 0) stack.push_back(at - kWidth);
        if (y + 1 < kHeight) stack.push_back(at + kWidth);
    }
    for (int i = 0; i < kWidth * kHeight; ++i)
        if (!image.bloom[i] && !reached[i]) {
            image.bloom[i] = true;
            image.colours[i] = kFold;
        }
}

bool spansBounds(const Image& image) {
    int minX = kWidth, maxX = -1, minY = kHeight, maxY = -1;
    for (int i = 0; i < kWidth * kHeight; ++i)
        if (image.bloom[i]) {
            minX = std::min(minX, i % kWidth);
            maxX = std::max(maxX, i % kWidth);
            minY = std::min(minY, i / kWidth);
            maxY = std::max(maxY, i / kWidth);
        }
    return minX == 1 && maxX == kWidth - 1 && minY == 1 && maxY == kHeight - 1;
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: love_sprite_generator <out.gif> [<preview.ppm>]\n";
        return 2;
    }
    try {
        const Rose rose;
        // Widen the mapping in small steps until the extreme rows and columns are more than
        // half covered, so the bloom reaches exactly columns 1..98 and rows 1..86.
        std::optional<Image> image;
        for (int step = 0; step <= 20 && !image; ++step) {
            Image candidate = sample(rose, step * 0.05);
            if (spansBounds(candidate)) image = std::move(candidate);
        }
        require(image.has_value(), "no mapping puts the bloom on columns 1..98 and rows 1..86");
        fillEnclosedWhite(*image);
        const Indexed indexed = index(*image);
        checkPicture(indexed);
        const std::vector<std::uint8_t> gif = gifFile(indexed);
        checkFile(gif, indexed);
        writeFile(argv[1], gif);
        if (argc == 3) {
            std::string ppm = "P6\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n255\n";
            std::vector<std::uint8_t> bytes(ppm.begin(), ppm.end());
            for (std::uint8_t i : indexed.pixels)
                bytes.insert(bytes.end(), indexed.table[i].begin(), indexed.table[i].end());
            writeFile(argv[2], bytes);
        }
        int used = 0;
        for (int i = 0; i < 256; ++i)
            used += std::find(indexed.pixels.begin(), indexed.pixels.end(), i) != indexed.pixels.end();
        const auto whites = std::count(indexed.pixels.begin(), indexed.pixels.end(), kWhiteIndex);
        std::cout << "sprite: " << gif.size() << " bytes, " << used << " colours used, " << whites << " white pixels\n";
    } catch (const std::exception& error) {
        std::cerr << "love_sprite_generator: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
