// SPDX-License-Identifier: GPL-3.0-or-later
// Synthesises the bundled drum kit: eight short mono 44.1 kHz 16-bit WAV files.
// Every sound comes from a formula and a fixed-seed noise generator, so each
// build writes the same files.
//   usage: quarn_make_kit <output-folder>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kPeak = 0.8;          // headroom under full scale
constexpr double kFadeSeconds = 0.005;  // no click at the end of a file

using Sound = std::vector<double>;

// xorshift32: small, fast, and the same on every machine.
class Noise {
public:
  explicit Noise(std::uint32_t seed) : state_(seed) {}
  double next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<double>(state_) / 2147483648.0 - 1.0;
  }

private:
  std::uint32_t state_;
};

// A two-pole band-pass (constant peak gain), for noise and metal.
class BandPass {
public:
  BandPass(double centre, double q) {
    const double w = kTwoPi * centre / kRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double a0 = 1.0 + alpha;
    b0_ = alpha / a0;
    a1_ = -2.0 * std::cos(w) / a0;
    a2_ = (1.0 - alpha) / a0;
  }
  double process(double x) {
    const double y = b0_ * x - b0_ * x2_ - a1_ * y1_ - a2_ * y2_;
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = y;
    return y;
  }

private:
  double b0_, a1_, a2_;
  double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// A one-pole high-pass to take the body out of noise.
class HighPass {
public:
  explicit HighPass(double cutoff) : k_(std::exp(-kTwoPi * cutoff / kRate)) {}
  double process(double x) {
    const double y = k_ * (y1_ + x - x1_);
    x1_ = x;
    y1_ = y;
    return y;
  }

private:
  double k_;
  double x1_ = 0, y1_ = 0;
};

double decay(double t, double seconds) { return std::exp(-t / seconds); }

Sound render(double seconds, const std::function<double(double)>& sample) {
  Sound sound(static_cast<std::size_t>(seconds * kRate));
  for (std::size_t i = 0; i < sound.size(); ++i) {
    sound[i] = sample(static_cast<double>(i) / kRate);
  }
  return sound;
}

// A sine whose pitch falls from `from` to `to` Hz with the given time constant.
std::function<double(double)> fallingSine(double from, double to, double sweep) {
  double phase = 0.0;
  return [=](double t) mutable {
    const double frequency = to + (from - to) * decay(t, sweep);
    phase += kTwoPi * frequency / kRate;
    return std::sin(phase);
  };
}

Sound kick() {
  auto body = fallingSine(160.0, 48.0, 0.035);
  return render(0.5, [&](double t) {
    const double click = t < 0.003 ? (1.0 - t / 0.003) * 0.6 : 0.0;
    return body(t) * decay(t, 0.16) + click;
  });
}

Sound snare() {
  Noise noise(0x5eed0002u);
  HighPass air(1500.0);
  return render(0.35, [&](double t) {
    const double tone = (std::sin(kTwoPi * 185.0 * t) + 0.6 * std::sin(kTwoPi * 330.0 * t)) *
                        decay(t, 0.05);
    return 0.6 * tone + 0.9 * air.process(noise.next()) * decay(t, 0.09);
  });
}

Sound hat(double length, double ring, std::uint32_t seed) {
  Noise noise(seed);
  HighPass air(7000.0);
  BandPass shimmer(10000.0, 1.2);
  return render(length, [&](double t) {
    const double hiss = air.process(noise.next());
    return (hiss + 0.8 * shimmer.process(hiss)) * decay(t, ring);
  });
}

Sound clap() {
  Noise noise(0x5eed0005u);
  BandPass body(1200.0, 1.5);
  return render(0.35, [&](double t) {
    // three quick slaps, then the room
    double envelope = decay(std::fmod(t, 0.011), 0.003);
    if (t >= 0.033) {
      envelope = decay(t - 0.033, 0.08);
    }
    return 2.5 * body.process(noise.next()) * envelope;
  });
}

Sound rim() {
  BandPass knock(1800.0, 6.0);
  return render(0.1, [&](double t) {
    const double strike = t < 0.0008 ? 1.0 : 0.0;
    return 0.5 * std::sin(kTwoPi * 520.0 * t) * decay(t, 0.012) + 6.0 * knock.process(strike);
  });
}

Sound tom() {
  auto body = fallingSine(220.0, 140.0, 0.08);
  return render(0.45, [&](double t) { return body(t) * decay(t, 0.14); });
}

Sound cowbell() {
  BandPass bell(800.0, 3.0);
  auto square = [](double frequency, double t) {
    return std::sin(kTwoPi * frequency * t) >= 0.0 ? 1.0 : -1.0;
  };
  return render(0.4, [&](double t) {
    const double metal = square(540.0, t) + square(800.0, t);
    const double envelope = 0.4 * decay(t, 0.02) + 0.6 * decay(t, 0.12);
    return bell.process(metal) * envelope;
  });
}

// Scales to the common peak and fades out the last few milliseconds.
std::vector<short> finish(Sound sound) {
  double peak = 0.0;
  for (double x : sound) {
    peak = std::max(peak, std::fabs(x));
  }
  const double gain = peak > 0.0 ? kPeak / peak : 0.0;
  const std::size_t fade = static_cast<std::size_t>(kFadeSeconds * kRate);
  std::vector<short> pcm(sound.size());
  for (std::size_t i = 0; i < sound.size(); ++i) {
    const std::size_t left = sound.size() - i;
    const double fadeGain = left < fade ? static_cast<double>(left) / fade : 1.0;
    pcm[i] = static_cast<short>(std::lround(sound[i] * gain * fadeGain * 32767.0));
  }
  return pcm;
}

bool writeWav(const std::string& path, const std::vector<short>& pcm) {
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) {
    std::fprintf(stderr, "quarn_make_kit: cannot write %s: %s\n", path.c_str(),
                 sf_strerror(nullptr));
    return false;
  }
  const auto frames = static_cast<sf_count_t>(pcm.size());
  const bool complete = sf_writef_short(file, pcm.data(), frames) == frames;
  sf_close(file);
  return complete;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: quarn_make_kit <output-folder>\n");
    return 2;
  }
  const std::string folder = argv[1];
  const std::pair<const char*, Sound> kit[] = {
      {"kick", kick()},
      {"snare", snare()},
      {"hat", hat(0.12, 0.025, 0x5eed0003u)},
      {"openhat", hat(0.5, 0.16, 0x5eed0004u)},
      {"clap", clap()},
      {"rim", rim()},
      {"tom", tom()},
      {"cowbell", cowbell()},
  };
  for (const auto& [name, sound] : kit) {
    if (!writeWav(folder + "/" + name + ".wav", finish(sound))) {
      return 1;
    }
  }
  return 0;
}
