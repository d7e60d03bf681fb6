// Synthesises the game's own sounds: the background track (written as a WAV for the MP3 encoder)
// and the cut sound. Everything is computed here from sine waves and seeded noise, so the output
// is the same on every run.
//
//   make_sounds <music.wav> <cut.wav>
//
// The track is 32 bars at 120 beats per minute (64 s) followed by a ringing tonic chord that has
// died away by 66.8 s; the file ends at 67.0 s. The game restarts the track once 68 whole seconds
// of the clock have passed, which comes between 67.0 and 68.0 s after the start: always after the
// last note, so a restart never cuts the chord and sounds like the next downbeat after a short
// rest. The MP3 encoder's padding adds about 0.06 s, which still ends within 68.0 s.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

const int kRate = 44100;
const double kPi = 3.14159265358979323846;
const double kBeat = 0.5;  // seconds per beat at 120 bpm
const double kBar = 4 * kBeat;
const double kTrackSeconds = 67.0;  // the earliest the game's clock can restart the track
const double kSilentFrom = 66.8;    // the closing chord's fade ends here

struct Stereo {
    std::vector<float> left, right;
    explicit Stereo(double seconds) : left(size_t(seconds * kRate), 0.f), right(left.size(), 0.f) {}
    size_t Size() const { return left.size(); }
};

// Deterministic noise so that regenerating gives identical files.
struct Noise {
    uint32_t state;
    explicit Noise(uint32_t seed) : state(seed) {}
    float Next() {
        state = state * 1664525u + 1013904223u;
        return float(int32_t(state)) / 2147483648.f;
    }
};

double MidiHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// Adds a mono voice into both channels; pan -1 is left, +1 right.
void Mix(Stereo& out, size_t at, const std::vector<float>& voice, float gain, float pan) {
    float l = gain * float(std::sqrt(0.5 * (1.0 - pan)));
    float r = gain * float(std::sqrt(0.5 * (1.0 + pan)));
    for (size_t i = 0; i < voice.size() && at + i < out.Size(); ++i) {
        out.left[at + i] += voice[i] * l;
        out.right[at + i] += voice[i] * r;
    }
}

size_t At(double seconds) { return size_t(seconds * kRate + 0.5); }

// Soft plucked note: a few harmonics that fade faster the higher they are.
std::vector<float> Pluck(double hz, double seconds, double decay) {
    std::vector<float> v(size_t(seconds * kRate));
    for (size_t i = 0; i < v.size(); ++i) {
        double t = double(i) / kRate;
        double attack = std::min(1.0, t / 0.006);
        double s = std::sin(2 * kPi * hz * t) * std::exp(-t / decay) +
                   0.30 * std::sin(4 * kPi * hz * t) * std::exp(-t / (decay * 0.5)) +
                   0.10 * std::sin(6 * kPi * hz * t) * std::exp(-t / (decay * 0.3));
        double release = std::min(1.0, (seconds - t) / 0.02);
        v[i] = float(s * attack * release);
    }
    return v;
}

// Round bass: fundamental with a touch of second harmonic.
std::vector<float> Bass(double hz, double seconds) {
    std::vector<float> v(size_t(seconds * kRate));
    for (size_t i = 0; i < v.size(); ++i) {
        double t = double(i) / kRate;
        double attack = std::min(1.0, t / 0.012);
        double release = std::min(1.0, (seconds - t) / 0.05);
        double s = std::sin(2 * kPi * hz * t) + 0.25 * std::sin(4 * kPi * hz * t);
        v[i] = float(s * attack * release * (0.55 + 0.45 * std::exp(-t / 0.35)));
    }
    return v;
}

// Warm pad: slightly detuned sines with a slow swell and release.
std::vector<float> Pad(double hz, double seconds, double swell, double releaseTime) {
    std::vector<float> v(size_t((seconds + releaseTime) * kRate));
    for (size_t i = 0; i < v.size(); ++i) {
        double t = double(i) / kRate;
        double env = std::min(1.0, t / swell);
        if (t > seconds) env *= std::exp(-(t - seconds) / (releaseTime / 4.0));
        double vib = 0.003 * std::sin(2 * kPi * 5.0 * t);
        double s = std::sin(2 * kPi * hz * (1.0 + vib) * t) +
                   0.6 * std::sin(2 * kPi * hz * 1.004 * t) +
                   0.3 * std::sin(2 * kPi * hz * 2.0 * 0.998 * t);
        v[i] = float(s * env);
    }
    return v;
}

// Small bell for the melody: two-operator FM with a fast-decaying modulation index.
std::vector<float> Bell(double hz, double seconds) {
    std::vector<float> v(size_t(seconds * kRate));
    for (size_t i = 0; i < v.size(); ++i) {
        double t = double(i) / kRate;
        double index = 2.0 * std::exp(-t / 0.15);
        double s = std::sin(2 * kPi * hz * t + index * std::sin(2 * kPi * hz * 3.5 * t));
        double attack = std::min(1.0, t / 0.004);
        double release = std::min(1.0, (seconds - t) / 0.03);
        v[i] = float(s * attack * release * std::exp(-t / 0.7));
    }
    return v;
}

std::vector<float> Kick() {
    std::vector<float> v(size_t(0.3 * kRate));
    double phase = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        double t = double(i) / kRate;
        double hz = 45.0 + 75.0 * std::exp(-t / 0.04);
        phase += 2 * kPi * hz / kRate;
        v[i] = float(std::sin(phase) * std::exp(-t / 0.09) * std::min(1.0, t / 0.002));
    }
    return v;
}

// Noise through a one-pole high-pass (hat) or a resonant band-pass (brush).
std::vector<float> Hat(Noise& noise) {
    std::vector<float> v(size_t(0.08 * kRate));
    float prev = 0, prevOut = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        double t = double(i) / kRate;
        float x = noise.Next();
        float y = 0.85f * (prevOut + x - prev);
        prev = x;
        prevOut = y;
        v[i] = float(y * std::exp(-t / 0.018));
    }
    return v;
}

struct BandPass {
    double a1 = 0, a2 = 0, b0 = 0, z1 = 0, z2 = 0;
    void Tune(double hz, double q) {
        double w = 2 * kPi * hz / kRate;
        double alpha = std::sin(w) / (2 * q);
        double a0 = 1 + alpha;
        b0 = alpha / a0;
        a1 = -2 * std::cos(w) / a0;
        a2 = (1 - alpha) / a0;
    }
    // Direct form II transposed with b1 = 0, b2 = -b0.
    double Run(double x) {
        double y = b0 * x + z1;
        z1 = -a1 * y + z2;
        z2 = -b0 * x - a2 * y;
        return y;
    }
};

std::vector<float> Brush(Noise& noise) {
    std::vector<float> v(size_t(0.25 * kRate));
    BandPass bp;
    bp.Tune(2500, 0.8);
    for (size_t i = 0; i < v.size(); ++i) {
        double t = double(i) / kRate;
        v[i] = float(bp.Run(noise.Next()) * std::exp(-t / 0.07) * std::min(1.0, t / 0.003));
    }
    return v;
}

struct Chord {
    int bass;
    int tones[4];
};

// Eight bars in C major ending on the dominant, so every pass leans into the next.
const Chord kProgression[8] = {
    {48, {60, 64, 67, 71}},  // Cmaj7
    {45, {57, 60, 64, 67}},  // Am7
    {41, {53, 57, 60, 64}},  // Fmaj7
    {43, {55, 59, 62, 67}},  // G
    {40, {52, 55, 59, 62}},  // Em7
    {45, {57, 60, 64, 67}},  // Am7
    {38, {50, 53, 57, 60}},  // Dm7
    {43, {53, 55, 59, 62}},  // G7
};

// One melody note per half bar for the third section (0 = rest).
const int kMelody[16] = {76, 79, 76, 72, 72, 74, 76, 0, 74, 71, 72, 76, 74, 72, 71, 74};

// A stereo echo gives the dry voices some room.
void Echo(Stereo& s) {
    const size_t delayL = At(kBeat * 0.75), delayR = At(kBeat);
    for (size_t i = 0; i < s.Size(); ++i) {
        if (i >= delayL) s.left[i] += 0.22f * s.right[i - delayL];
        if (i >= delayR) s.right[i] += 0.22f * s.left[i - delayR];
    }
}

Stereo MakeMusic() {
    Stereo out(kTrackSeconds);
    Noise noise(12345u);
    const std::vector<float> kick = Kick();
    const int arpOrder[8] = {0, 1, 2, 3, 2, 1, 2, 1};
    const int arpHigh[8] = {0, 2, 1, 3, 2, 3, 1, 2};

    for (int bar = 0; bar < 32; ++bar) {
        const int section = bar / 8;
        const Chord& c = kProgression[bar % 8];
        const double start = bar * kBar;

        // Bass on beats 1 and 3 (a passing fifth on 3 in the busier sections).
        Mix(out, At(start), Bass(MidiHz(c.bass), 2 * kBeat * 0.95), 0.34f, 0.f);
        int third = section == 0 ? c.bass : c.bass + 7;
        Mix(out, At(start + 2 * kBeat), Bass(MidiHz(third), 2 * kBeat * 0.95), 0.28f, 0.f);

        // Eighth-note arpeggio, an octave up in the last section.
        for (int e = 0; e < 8; ++e) {
            int note = section == 3 ? c.tones[arpHigh[e]] + 12 : c.tones[arpOrder[e]];
            float gain = (e % 2 == 0 ? 0.17f : 0.12f) * (section == 3 ? 0.8f : 1.f);
            float pan = (e % 2 == 0 ? -0.35f : 0.35f);
            Mix(out, At(start + e * kBeat / 2), Pluck(MidiHz(note), 0.9, 0.35), gain, pan);
        }

        // Pad from the second section on.
        if (section >= 1) {
            for (int k = 0; k < 3; ++k)
                Mix(out, At(start), Pad(MidiHz(c.tones[k + 1] - 12), kBar, 0.4, 0.3), 0.035f,
                    k == 0 ? -0.5f : (k == 1 ? 0.f : 0.5f));
        }

        // Soft percussion in the middle two sections, lighter in the last.
        if (section >= 1) {
            float level = section == 3 ? 0.6f : 1.f;
            Mix(out, At(start), kick, 0.38f * level, 0.f);
            Mix(out, At(start + 2 * kBeat), kick, 0.30f * level, 0.f);
            if (section != 3 || bar % 2 == 1) {
                Mix(out, At(start + kBeat), Brush(noise), 0.10f * level, 0.1f);
                Mix(out, At(start + 3 * kBeat), Brush(noise), 0.10f * level, 0.1f);
            }
            for (int e = 0; e < 8; ++e)
                Mix(out, At(start + e * kBeat / 2), Hat(noise), (e % 2 ? 0.05f : 0.03f) * level,
                    0.45f);
        }

        // Bell melody in the third section.
        if (section == 2) {
            for (int h = 0; h < 2; ++h) {
                int note = kMelody[(bar % 8) * 2 + h];
                if (note != 0) Mix(out, At(start + h * 2 * kBeat), Bell(MidiHz(note), 1.6), 0.12f, 0.15f);
            }
        }
    }

    // The closing Cmaj7 rings out and is gone before the restart can come.
    const double end = 32 * kBar;
    Mix(out, At(end), Pluck(MidiHz(48), kSilentFrom - end, 0.6), 0.34f, 0.f);
    const int finalTones[4] = {60, 64, 67, 71};
    for (int k = 0; k < 4; ++k) {
        Mix(out, At(end + k * 0.09), Pluck(MidiHz(finalTones[k]), kSilentFrom - end - k * 0.09, 0.65), 0.14f,
            -0.3f + 0.2f * float(k));
        Mix(out, At(end), Pad(MidiHz(finalTones[k]), 0.8, 0.2, 1.8), 0.03f, 0.f);
    }
    Echo(out);

    // Normalise to about -1 dBFS and make sure the file ends in silence.
    float peak = 0;
    for (size_t i = 0; i < out.Size(); ++i)
        peak = std::max(peak, std::max(std::fabs(out.left[i]), std::fabs(out.right[i])));
    const float scale = peak > 0 ? 0.89f / peak : 1.f;
    const size_t fadeFrom = At(kSilentFrom - 1.2), fadeTo = At(kSilentFrom);
    for (size_t i = 0; i < out.Size(); ++i) {
        float fade = i < fadeFrom ? 1.f : i >= fadeTo ? 0.f : float(fadeTo - i) / float(fadeTo - fadeFrom);
        out.left[i] *= scale * fade;
        out.right[i] *= scale * fade;
    }
    return out;
}

// The cut: a short airy swish through a falling band-pass, then a thin metallic ring.
std::vector<float> MakeCut() {
    const double seconds = 0.42;
    std::vector<float> v(size_t(seconds * kRate));
    Noise noise(777u);
    BandPass bp;
    // Inharmonic partials of a struck thin bar.
    const double ringHz = 1480.0;
    const double ratios[4] = {1.0, 2.756, 5.404, 8.933};
    const double decays[4] = {0.16, 0.10, 0.06, 0.035};
    const double levels[4] = {0.55, 0.35, 0.22, 0.12};
    const double ringStart = 0.045;
    for (size_t i = 0; i < v.size(); ++i) {
        double t = double(i) / kRate;
        bp.Tune(6500.0 * std::exp(-t / 0.08) + 1200.0, 1.6);
        double swishEnv = std::min(1.0, t / 0.012) * std::exp(-t / 0.05);
        double s = 1.6 * bp.Run(noise.Next()) * swishEnv;
        if (t >= ringStart) {
            double r = t - ringStart;
            double ring = 0;
            for (int k = 0; k < 4; ++k)
                ring += levels[k] * std::sin(2 * kPi * ringHz * ratios[k] * r) * std::exp(-r / decays[k]);
            s += ring * std::min(1.0, r / 0.001);
        }
        double release = std::min(1.0, (seconds - t) / 0.03);
        v[i] = float(s * release);
    }
    float peak = 0;
    for (float x : v) peak = std::max(peak, std::fabs(x));
    for (float& x : v) x *= 0.7f / peak;
    return v;
}

void Put16(std::FILE* f, uint16_t x) { std::fputc(x & 0xff, f), std::fputc(x >> 8, f); }
void Put32(std::FILE* f, uint32_t x) { Put16(f, uint16_t(x & 0xffff)), Put16(f, uint16_t(x >> 16)); }

int16_t ToPcm(float x) {
    float c = std::max(-1.f, std::min(1.f, x));
    return int16_t(std::lround(c * 32767.f));
}

bool WriteWav(const char* path, const std::vector<float>* channels, int channelCount) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::fprintf(stderr, "make_sounds: cannot write %s\n", path);
        return false;
    }
    const uint32_t frames = uint32_t(channels[0].size());
    const uint32_t bytes = frames * uint32_t(channelCount) * 2;
    std::fputs("RIFF", f);
    Put32(f, 36 + bytes);
    std::fputs("WAVEfmt ", f);
    Put32(f, 16);
    Put16(f, 1);  // PCM
    Put16(f, uint16_t(channelCount));
    Put32(f, kRate);
    Put32(f, uint32_t(kRate * channelCount * 2));
    Put16(f, uint16_t(channelCount * 2));
    Put16(f, 16);
    std::fputs("data", f);
    Put32(f, bytes);
    for (uint32_t i = 0; i < frames; ++i)
        for (int c = 0; c < channelCount; ++c) Put16(f, uint16_t(ToPcm(channels[c][i])));
    bool ok = std::fclose(f) == 0;
    if (!ok) std::fprintf(stderr, "make_sounds: cannot write %s\n", path);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_sounds <music.wav> <cut.wav>\n");
        return 2;
    }
    Stereo music = MakeMusic();
    std::vector<float> both[2] = {music.left, music.right};
    std::vector<float> cut = MakeCut();
    if (!WriteWav(argv[1], both, 2)) return 1;
    if (!WriteWav(argv[2], &cut, 1)) return 1;
    return 0;
}
