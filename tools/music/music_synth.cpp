// Renders the show music from a plain-text score into the PCM wave file the program carries.
//
// Usage: love_music_synth <score.txt> <out.wav>
//
// The output is the same bytes on every machine: all sound is made with IEEE double arithmetic
// (the build uses -ffp-contract=off, no fast-math), phases are 32-bit integers, and the only
// library function used is std::sqrt, which IEEE 754 rounds exactly. The sine comes from our own
// polynomial, decays are repeated multiplications.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kSampleRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// ---- Deterministic sine: a quarter-wave Taylor polynomial, tabulated for speed ---------------

double polynomialSineQuarter(double u) {  // sin(u) for u in [0, pi/2], error below 1e-9
    const double u2 = u * u;
    double term = u;
    double sum = u;
    for (int k = 1; k <= 7; ++k) {
        term = -term * u2 / static_cast<double>((2 * k) * (2 * k + 1));
        sum += term;
    }
    return sum;
}

double polynomialSine(double turns) {  // sin(2 pi turns) for turns in [0, 1)
    const double q = turns * 4.0;
    const int quadrant = static_cast<int>(q);
    const double f = q - quadrant;
    switch (quadrant) {
        case 0:
            return polynomialSineQuarter(f * kPi / 2.0);
        case 1:
            return polynomialSineQuarter((1.0 - f) * kPi / 2.0);
        case 2:
            return -polynomialSineQuarter(f * kPi / 2.0);
        default:
            return -polynomialSineQuarter((1.0 - f) * kPi / 2.0);
    }
}

class SineTable {
public:
    static constexpr int kBits = 13;
    static constexpr int kSize = 1 << kBits;
    SineTable() {
        for (int i = 0; i <= kSize; ++i) table_[i] = polynomialSine(static_cast<double>(i % kSize) / kSize);
    }
    double at(std::uint32_t phase) const {  // phase: a full turn is 2^32
        const std::uint32_t index = phase >> (32 - kBits);
        const double frac = static_cast<double>(phase & ((1u << (32 - kBits)) - 1)) / (1u << (32 - kBits));
        return table_[index] + (table_[index + 1] - table_[index]) * frac;
    }

private:
    std::array<double, kSize + 1> table_{};
};

// e^-x for small x >= 0 by its series; decay factors per sample are all e^-(tiny).
double expNegSmall(double x) {
    double term = 1.0;
    double sum = 1.0;
    for (int k = 1; k <= 10; ++k) {
        term = -term * x / k;
        sum += term;
    }
    return sum;
}

// Decay factor per sample for an amplitude that falls to 1/e in seconds.
double decayPerSample(double seconds) { return expNegSmall(1.0 / (seconds * kSampleRate)); }

// ---- Pitches ---------------------------------------------------------------------------------

// Equal temperament: 2^(k/12) for k = 0..11, written out so no pow() is needed.
constexpr std::array<double, 12> kSemitoneRatios = {
    1.0,
    1.0594630943592953,
    1.1224620483093730,
    1.1892071150027210,
    1.2599210498948732,
    1.3348398541700344,
    1.4142135623730951,
    1.4983070768766815,
    1.5874010519681994,
    1.6817928305074290,
    1.7817974362806785,
    1.8877486253633870,
};

// "A4" = 440 Hz; names: C D E F G A B, then '#' or 'b', then the octave digit.
double frequencyOf(const std::string& name) {
    static const std::map<char, int> kSteps = {{'C', -9}, {'D', -7}, {'E', -5}, {'F', -4},
                                               {'G', -2}, {'A', 0},  {'B', 2}};
    if (name.size() < 2 || !kSteps.count(name[0])) throw std::runtime_error("bad note name: " + name);
    int semitones = kSteps.at(name[0]);
    std::size_t at = 1;
    if (name[at] == '#') {
        ++semitones;
        ++at;
    } else if (name[at] == 'b') {
        --semitones;
        ++at;
    }
    if (at + 1 != name.size() || name[at] < '0' || name[at] > '8') throw std::runtime_error("bad note name: " + name);
    semitones += (name[at] - '4') * 12;
    int octaves = semitones >= 0 ? semitones / 12 : -((-semitones + 11) / 12);
    const int within = semitones - octaves * 12;
    double f = 440.0 * kSemitoneRatios[within];
    for (; octaves > 0; --octaves) f *= 2.0;
    for (; octaves < 0; ++octaves) f /= 2.0;
    return f;
}

// ---- Instruments -----------------------------------------------------------------------------

struct Partial {
    double ratio;    // to the fundamental
    double level;    // relative amplitude
    double seconds;  // decay time (to 1/e) at 440 Hz; higher notes ring shorter
};

struct Instrument {
    std::vector<Partial> partials;
    double attackSeconds;
    double releaseSeconds;  // extra damping once the written note has ended
    double stretch;         // inharmonicity: partial n sits at n * sqrt(1 + stretch n^2)
};

const std::map<std::string, Instrument>& instruments() {
    static const std::map<std::string, Instrument> kInstruments = {
        // A struck steel bar over a resonator: strong fundamental, a few bright partials that die
        // quickly, two of them inharmonic like a real bar's.
        {"celesta",
         {{{1.0, 1.0, 1.9}, {2.0, 0.32, 0.9}, {3.0, 0.10, 0.5}, {4.16, 0.12, 0.22}, {6.27, 0.05, 0.10}},
          0.002,
          0.45,
          0.0}},
        // A soft piano-like string: harmonic partials with a little stretch.
        {
            "piano",
            {{{1.0, 1.0, 2.6}, {2.0, 0.45, 1.6}, {3.0, 0.22, 1.0}, {4.0, 0.12, 0.7}, {5.0, 0.07, 0.45}},
             0.004,
             0.35,
             0.0004},
        },
        // A plucked string for the arpeggios: mellow, medium ring.
        {"harp", {{{1.0, 1.0, 1.3}, {2.0, 0.38, 0.7}, {3.0, 0.14, 0.4}, {4.0, 0.06, 0.25}}, 0.003, 0.6, 0.0002}},
    };
    return kInstruments;
}

// ---- Score -----------------------------------------------------------------------------------

struct Note {
    std::int64_t start;   // frame
    std::int64_t length;  // frames while held
    double frequency;
    double level;
    double pan;  // 0 left .. 1 right
    const Instrument* instrument;
};

struct Score {
    std::int64_t frames = 0;
    std::int64_t beatFrames = 0;
    std::int64_t fadeFrames = 0;
    std::int64_t silenceFrames = 0;
    double reverbMix = 0.0;
    double peak = 0.0;
    std::vector<Note> notes;
};

// Beats as "2", "1/2" or "3/4"; frames exact for beat lengths with small factors.
std::int64_t parseBeats(const std::string& text, std::int64_t beatFrames) {
    const auto slash = text.find('/');
    const std::int64_t numerator = std::stoll(text.substr(0, slash));
    const std::int64_t denominator = slash == std::string::npos ? 1 : std::stoll(text.substr(slash + 1));
    if (numerator <= 0 || denominator <= 0 || (numerator * beatFrames) % denominator != 0)
        throw std::runtime_error("bad duration: " + text);
    return numerator * beatFrames / denominator;
}

// A comment runs from a '#' that starts a word to the end of the line; F#4 is a note.
std::string withoutComment(const std::string& line) {
    for (std::size_t i = 0; i < line.size(); ++i)
        if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) return line.substr(0, i);
    return line;
}

Score readScore(std::istream& in) {
    Score score;
    std::string line;
    int lineNumber = 0;
    const Instrument* instrument = nullptr;
    double level = 0.0;
    double pan = 0.5;
    std::int64_t cursor = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        try {
            line = withoutComment(line);
            std::istringstream words(line);
            std::string word;
            if (!(words >> word)) continue;
            if (word == "frames") {
                words >> score.frames;
            } else if (word == "beat_frames") {
                words >> score.beatFrames;
            } else if (word == "fade_frames") {
                words >> score.fadeFrames;
            } else if (word == "silence_frames") {
                words >> score.silenceFrames;
            } else if (word == "reverb") {
                words >> score.reverbMix;
            } else if (word == "peak") {
                words >> score.peak;
            } else if (word == "part") {
                // part <name> <instrument> level <x> pan <x> [at <beats>]
                std::string name, kind, key;
                words >> name >> kind;
                if (!instruments().count(kind)) throw std::runtime_error("unknown instrument " + kind);
                instrument = &instruments().at(kind);
                cursor = 0;
                while (words >> key) {
                    std::string value;
                    words >> value;
                    if (key == "level") {
                        level = std::stod(value);
                    } else if (key == "pan") {
                        pan = std::stod(value);
                    } else if (key == "at") {
                        cursor = parseBeats(value, score.beatFrames);
                    } else {
                        throw std::runtime_error("unknown part setting " + key);
                    }
                }
            } else {
                if (!instrument || score.beatFrames <= 0) throw std::runtime_error("notes before a part");
                // Tokens: NOTE/BEATS, NOTE+NOTE/BEATS (a chord) or r/BEATS (a rest).
                do {
                    if (word == "|") continue;  // a bar line, for reading only
                    const auto slash = word.find('/');
                    if (slash == std::string::npos) throw std::runtime_error("token without a duration: " + word);
                    const std::int64_t length = parseBeats(word.substr(slash + 1), score.beatFrames);
                    const std::string pitches = word.substr(0, slash);
                    if (pitches != "r") {
                        std::istringstream chord(pitches);
                        std::string pitch;
                        while (std::getline(chord, pitch, '+'))
                            score.notes.push_back({cursor, length, frequencyOf(pitch), level, pan, instrument});
                    }
                    cursor += length;
                } while (words >> word);
            }
        } catch (const std::exception& error) {
            throw std::runtime_error("score line " + std::to_string(lineNumber) + ": " + error.what());
        }
    }
    if (score.frames <= 0 || score.beatFrames <= 0 || score.peak <= 0.0 || score.peak >= 1.0)
        throw std::runtime_error("score lacks frames, beat_frames or a peak below 1");
    for (const Note& note : score.notes)
        if (note.start >= score.frames - score.fadeFrames)
            throw std::runtime_error("a note starts inside the closing fade");
    return score;
}

// ---- Rendering -------------------------------------------------------------------------------

struct Stereo {
    std::vector<double> left, right;
};

void renderNote(const Note& note, const SineTable& sine, Stereo& out) {
    const Instrument& instrument = *note.instrument;
    const std::int64_t total = static_cast<std::int64_t>(out.left.size());
    // Higher notes ring shorter, as strings and bars do.
    const double ringScale = std::sqrt(440.0 / note.frequency);
    const double attackFrames = instrument.attackSeconds * kSampleRate;
    const double release = decayPerSample(instrument.releaseSeconds);
    const double gainLeft = note.level * std::sqrt(1.0 - note.pan);
    const double gainRight = note.level * std::sqrt(note.pan);

    struct Running {
        std::uint32_t phase, step;
        double amplitude, decay;
    };
    std::vector<Running> partials;
    for (const Partial& p : instrument.partials) {
        const double n = p.ratio;
        const double f = note.frequency * n * std::sqrt(1.0 + instrument.stretch * n * n);
        if (f >= kSampleRate / 2.0 * 0.9) continue;  // keep clear of aliasing
        const double step = f / kSampleRate * 4294967296.0;
        partials.push_back({0u, static_cast<std::uint32_t>(step), p.level, decayPerSample(p.seconds * ringScale)});
    }
    double damping = 1.0;
    for (std::int64_t i = 0; note.start + i < total; ++i) {
        double sample = 0.0;
        double loudest = 0.0;
        for (Running& p : partials) {
            sample += p.amplitude * sine.at(p.phase);
            loudest = std::max(loudest, p.amplitude);
            p.phase += p.step;
            p.amplitude *= p.decay;
        }
        if (i < attackFrames) sample *= i / attackFrames;
        if (i >= note.length) damping *= release;
        sample *= damping;
        out.left[note.start + i] += sample * gainLeft;
        out.right[note.start + i] += sample * gainRight;
        if (loudest * damping < 1e-5) break;
    }
}

// A small room: four damped comb filters in parallel, then two all-pass filters, per channel,
// with slightly different lengths left and right for width.
class Reverb {
public:
    explicit Reverb(int spread) {
        for (int length : {1116, 1188, 1277, 1356})
            combs_.push_back({std::vector<double>(length + spread, 0.0), 0, 0.0});
        for (int length : {556, 441}) allpasses_.push_back({std::vector<double>(length + spread, 0.0), 0});
    }
    double process(double input) {
        double sum = 0.0;
        for (Comb& c : combs_) {
            const double delayed = c.line[c.at];
            c.low = delayed * (1.0 - kDamp) + c.low * kDamp;
            c.line[c.at] = input + c.low * kFeedback;
            c.at = (c.at + 1) % c.line.size();
            sum += delayed;
        }
        for (AllPass& a : allpasses_) {
            const double delayed = a.line[a.at];
            const double next = sum + delayed * 0.5;
            a.line[a.at] = next;
            a.at = (a.at + 1) % a.line.size();
            sum = delayed - next * 0.5;
        }
        return sum * 0.25;
    }

private:
    static constexpr double kFeedback = 0.80;
    static constexpr double kDamp = 0.3;
    struct Comb {
        std::vector<double> line;
        std::size_t at;
        double low;
    };
    struct AllPass {
        std::vector<double> line;
        std::size_t at;
    };
    std::vector<Comb> combs_;
    std::vector<AllPass> allpasses_;
};

Stereo render(const Score& score) {
    static const SineTable sine;
    Stereo dry{std::vector<double>(score.frames, 0.0), std::vector<double>(score.frames, 0.0)};
    for (const Note& note : score.notes) renderNote(note, sine, dry);

    Reverb roomLeft(0), roomRight(23);
    Stereo mixed{std::vector<double>(score.frames), std::vector<double>(score.frames)};
    for (std::int64_t i = 0; i < score.frames; ++i) {
        const double mono = (dry.left[i] + dry.right[i]) * 0.5;
        mixed.left[i] = dry.left[i] + roomLeft.process(mono) * score.reverbMix;
        mixed.right[i] = dry.right[i] + roomRight.process(mono) * score.reverbMix;
    }

    // The recording loops: the last stretch fades to digital silence, so the first sample of the
    // next pass (a note's attack from zero) follows without a click.
    const std::int64_t silentFrom = score.frames - score.silenceFrames;
    const std::int64_t fadeFrom = silentFrom - score.fadeFrames;
    for (std::int64_t i = fadeFrom; i < score.frames; ++i) {
        double gain = 0.0;
        if (i < silentFrom) {
            const double x = static_cast<double>(silentFrom - i) / score.fadeFrames;
            gain = x * x;
        }
        mixed.left[i] *= gain;
        mixed.right[i] *= gain;
    }

    // Headroom instead of limiting: scale the loudest sample to the score's peak.
    double loudest = 0.0;
    for (std::int64_t i = 0; i < score.frames; ++i)
        loudest = std::max({loudest, std::fabs(mixed.left[i]), std::fabs(mixed.right[i])});
    if (loudest > 0.0) {
        const double scale = score.peak / loudest;
        for (std::int64_t i = 0; i < score.frames; ++i) {
            mixed.left[i] *= scale;
            mixed.right[i] *= scale;
        }
    }
    return mixed;
}

std::int16_t toPcm(double x) {
    const double scaled = x * 32767.0;
    const double rounded = scaled >= 0.0 ? scaled + 0.5 : scaled - 0.5;
    const long long value = static_cast<long long>(rounded);
    return static_cast<std::int16_t>(std::clamp<long long>(value, -32767, 32767));
}

void putLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// The wave file exactly as the program carries it: "fmt " and "data" only, and a RIFF length
// field that counts 8 bytes more than the file holds.
std::vector<std::uint8_t> waveFile(const Stereo& music) {
    const std::uint32_t frames = static_cast<std::uint32_t>(music.left.size());
    const std::uint32_t dataBytes = frames * 4;
    std::vector<std::uint8_t> out;
    out.reserve(44 + dataBytes);
    for (char c : std::string("RIFF")) out.push_back(static_cast<std::uint8_t>(c));
    putLe(out, dataBytes + 44, 4);
    for (char c : std::string("WAVEfmt ")) out.push_back(static_cast<std::uint8_t>(c));
    putLe(out, 16, 4);
    putLe(out, 1, 2);
    putLe(out, 2, 2);
    putLe(out, kSampleRate, 4);
    putLe(out, kSampleRate * 4, 4);
    putLe(out, 4, 2);
    putLe(out, 16, 2);
    for (char c : std::string("data")) out.push_back(static_cast<std::uint8_t>(c));
    putLe(out, dataBytes, 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        putLe(out, static_cast<std::uint16_t>(toPcm(music.left[i])), 2);
        putLe(out, static_cast<std::uint16_t>(toPcm(music.right[i])), 2);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: love_music_synth <score.txt> <out.wav>\n";
        return 2;
    }
    try {
        std::ifstream in(argv[1]);
        if (!in) throw std::runtime_error(std::string("cannot read ") + argv[1]);
        const Score score = readScore(in);
        const std::vector<std::uint8_t> bytes = waveFile(render(score));
        const std::string temporary = std::string(argv[2]) + ".part";
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            if (!out) throw std::runtime_error("cannot write " + temporary);
        }
        if (std::rename(temporary.c_str(), argv[2]) != 0)
            throw std::runtime_error(std::string("cannot create ") + argv[2]);
    } catch (const std::exception& error) {
        std::cerr << "love_music_synth: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
