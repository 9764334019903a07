#include "logic/BandThresholds.h"

#include "textrec/textrec.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace results {

namespace {

constexpr std::array<double, kThresholdCount> kThresholdFactors = {
    0.75, 0.5, 0.25, 0.1, 0.075, 0.05, 0.025, 0.01, 0.0075, 0.005, 0.0025};

constexpr std::array<Rgb, kBandCount> kMapColours = {{{255, 0, 255},
                                                      {255, 0, 0},
                                                      {255, 192, 0},
                                                      {255, 255, 0},
                                                      {164, 208, 80},
                                                      {0, 176, 80},
                                                      {0, 176, 240},
                                                      {0, 112, 192},
                                                      {112, 48, 160},
                                                      {126, 126, 126},
                                                      {200, 200, 200},
                                                      {255, 255, 255}}};

} // namespace

int decadeClass(double maximum) {
    const double L = std::log(maximum);
    if (L > 6.908)
        return 1;
    if (L > 4.605)
        return 2;
    if (L > 2.303)
        return 3;
    if (L > 0)
        return 4;
    if (L > -2.303)
        return 5;
    return 6;
}

double scaleTop(double maximum, int decadeClass) {
    switch (decadeClass) {
    case 1:
        return 1000 * std::floor(maximum / 1000);
    case 2:
        return 100 * std::floor(maximum / 100);
    case 3:
        return 10 * std::floor(maximum / 10);
    case 4:
        return std::floor(maximum);
    case 5:
        return std::floor(10 * maximum) / 10;
    default:
        return std::floor(100 * maximum) / 100;
    }
}

double defaultScaleTop(double maximum) {
    const double top = scaleTop(maximum, decadeClass(maximum));
    if (top > 0)
        return top;
    // The power of ten at or below the maximum; log10 may miss an exact power
    // by one unit in the last place, so the decade is set right afterwards.
    double decade = std::pow(10.0, std::floor(std::log10(maximum)));
    if (decade > maximum)
        decade /= 10;
    else if (decade * 10 <= maximum)
        decade *= 10;
    return decade * std::max(1.0, std::floor(maximum / decade));
}

Thresholds defaultThresholds(double maximum) {
    const double top = defaultScaleTop(maximum);
    Thresholds t{};
    for (int k = 0; k < kThresholdCount; ++k)
        t[k] = top * kThresholdFactors[k];
    return t;
}

ThresholdReading readThresholds(const std::array<std::string, kThresholdCount>& texts) {
    ThresholdReading reading;
    for (int k = 0; k < kThresholdCount; ++k) {
        const std::optional<double> value = textrec::readWholeNumber(texts[k]);
        if (!value || !std::isfinite(*value) || !(*value > 0)) {
            reading.fault = ThresholdFault::NotPositive;
        } else if (k > 0 && *value > reading.values[k - 1]) {
            reading.fault = ThresholdFault::AboveUpper;
        } else {
            reading.values[k] = *value;
            continue;
        }
        reading.field = k + 1;
        return reading;
    }
    return reading;
}

int bandOf(double value, const Thresholds& thresholds) {
    for (int k = 0; k < kThresholdCount; ++k) {
        if (value >= thresholds[k])
            return k + 1;
    }
    return kBandCount;
}

Rgb mapColour(int band) {
    return kMapColours[band - 1];
}

Rgb legendColour(int band) {
    if (band == 5)
        return {146, 208, 80};
    return kMapColours[band - 1];
}

} // namespace results
