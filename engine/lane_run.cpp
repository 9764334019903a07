// The default run's histories in vector lanes (lane_run.h): the steps of a
// history on all lanes at once, compiled once for each instruction set.
#include "lane_run.h"

#include "scoring.h"
#include "transport.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "lane_run.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include <hwy/highway.h>

#include "vector_math-inl.h"

HWY_BEFORE_NAMESPACE();
namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {
namespace HWY_NAMESPACE {

#if HWY_TARGET == HWY_SSE4 || HWY_TARGET == HWY_AVX2 || HWY_TARGET == HWY_AVX3

namespace hn = hwy::HWY_NAMESPACE;
namespace vm = floatmath::HWY_NAMESPACE;

using DF = hn::ScalableTag<float>;
using DI = hn::RebindToSigned<DF>;
using VF = hn::Vec<DF>;
using VI = hn::Vec<DI>;
using MF = hn::Mask<DF>;

constexpr DF df;
constexpr DI di;
constexpr std::size_t laneCount = hn::MaxLanes(DF());
static_assert(LaneBank::lanes % laneCount == 0, "the lanes fill whole vectors");

// The lanes of a mask as bits, lane 0 the lowest.
std::uint64_t laneBits(MF mask) {
    std::uint8_t bytes[8] = {};
    hn::StoreMaskBits(df, mask, bytes);
    std::uint64_t bits = 0;
    std::memcpy(&bits, bytes, sizeof bits);
    return bits;
}

template <class F> void forEachLane(MF mask, F f) {
    for (std::uint64_t bits = laneBits(mask); bits != 0; bits &= bits - 1) {
        int lane = 0;
        while (!((bits >> lane) & 1))
            ++lane;
        f(std::size_t(lane));
    }
}

MF fromInts(hn::Mask<DI> m) {
    return hn::RebindMask(df, m);
}

VF where(MF mask, VF yes, VF no) {
    return hn::IfThenElse(mask, yes, no);
}

// The lanes' generators, stepping together (lane_run.h): rows of the ring
// made a block at a time, two rows of each lane from each step of its
// LaneGenerator (bits 18..31 of the output, then bits 4..17).
class LaneDraws {
public:
    explicit LaneDraws(LaneBank& bank) : b_(bank) {}

    void seed(std::uint64_t runSeed, int bin, std::int64_t chunk) {
        for (int lane = 0; lane < lanes; ++lane) {
            const LaneGenerator::State s = LaneGenerator::seedState(runSeed, bin, chunk, lane);
            for (int w = 0; w < 4; ++w)
                b_.generator[w][lane] = s[std::size_t(w)];
        }
        made_ = 0;
        next_ = 0;
    }

    // The first of `count` rows for a step of a pass.
    std::int64_t take(int count) {
        while (made_ < next_ + count)
            makeBlock();
        const std::int64_t first = next_;
        next_ += count;
        return first;
    }

    // The next `count` rows hold `values` (row n of lane l at values[l][n]).
    void preset(const std::vector<std::array<std::int32_t, 4>>& values, int count) {
        while (made_ < next_ + count)
            makeBlock();
        for (int n = 0; n < count; ++n)
            for (int l = 0; l < lanes; ++l)
                rowToWrite(next_ + n)[l] = values[std::size_t(l)][std::size_t(n)];
    }

    // Row `row`: the lanes' values k, lane l at l.
    const std::int32_t* row(std::int64_t r) const {
        return b_.values + (r % LaneBank::ringRows) * lanes;
    }
    // The floats k / 16384.1 of the values.
    static VF toFloat(VI k) {
        return hn::ConvertTo(df, k) / hn::Set(df, LaggedFibonacciGenerator::divisor);
    }

private:
    static constexpr int lanes = LaneBank::lanes;
    static_assert(LaneBank::ringRows >= LaneBank::blockRows + 16 && LaneBank::blockRows % 2 == 0,
                  "the ring keeps the rows a step still reads");
    using DU = hn::RebindToUnsigned<DF>;

    std::int32_t* rowToWrite(std::int64_t r) {
        return b_.values + (r % LaneBank::ringRows) * lanes;
    }

    template <int k> static hn::Vec<DU> rotateLeft(hn::Vec<DU> x) {
        return hn::RotateRight<32 - k>(x);
    }

    // One step of xoshiro128** in every lane of a vector (LaneGenerator::next).
    static hn::Vec<DU> next(hn::Vec<DU>& s0, hn::Vec<DU>& s1, hn::Vec<DU>& s2, hn::Vec<DU>& s3) {
        const hn::Vec<DU> times5 = hn::ShiftLeft<2>(s1) + s1;
        const hn::Vec<DU> rotated = rotateLeft<7>(times5);
        const hn::Vec<DU> result = hn::ShiftLeft<3>(rotated) + rotated;
        const hn::Vec<DU> t = hn::ShiftLeft<9>(s1);
        s2 = hn::Xor(s2, s0);
        s3 = hn::Xor(s3, s1);
        s1 = hn::Xor(s1, s2);
        s0 = hn::Xor(s0, s3);
        s2 = hn::Xor(s2, t);
        s3 = rotateLeft<11>(s3);
        return result;
    }

    void makeBlock() {
        const DU du;
        const hn::Vec<DU> low14 = hn::Set(du, std::uint32_t(LaneGenerator::modulus - 1));
        for (int l = 0; l < lanes; l += int(laneCount)) {
            auto s0 = hn::Load(du, b_.generator[0] + l), s1 = hn::Load(du, b_.generator[1] + l);
            auto s2 = hn::Load(du, b_.generator[2] + l), s3 = hn::Load(du, b_.generator[3] + l);
            for (int n = 0; n < LaneBank::blockRows; n += 2) {
                const hn::Vec<DU> word = next(s0, s1, s2, s3);
                hn::Store(hn::BitCast(di, hn::ShiftRight<18>(word)), di, rowToWrite(made_ + n) + l);
                hn::Store(hn::BitCast(di, hn::And(hn::ShiftRight<4>(word), low14)), di,
                          rowToWrite(made_ + n + 1) + l);
            }
            hn::Store(s0, du, b_.generator[0] + l);
            hn::Store(s1, du, b_.generator[1] + l);
            hn::Store(s2, du, b_.generator[2] + l);
            hn::Store(s3, du, b_.generator[3] + l);
        }
        made_ += LaneBank::blockRows;
    }

    LaneBank& b_;
    std::int64_t made_ = 0; // rows made
    std::int64_t next_ = 0; // the next row to take
};

// What each lane's photon is about to do.
enum Stage : std::int32_t {
    Empty = 0,           // no photon: the lane takes the next history
    Source = 1,          // a history started: its entry point and direction
    Flight = 2,          // a free path, then escape or interaction
    FirstIncoherent = 3, // a trial of the tabulated first incoherent scattering
    Incoherent = 4,      // a trial of Kahn's method
    FormFactor = 5,      // the angle of an accepted Kahn trial and the rejection on S(q)
    NewEnergy = 6,       // the energy and cross sections after an incoherent scattering
    Coherent = 7,        // a trial of the form-factor inversion and Thomson's rejection
    Turn = 8,            // the new direction after an accepted scattering
};

static_assert(int(Turn) == int(lanetest::Stage::Turn) &&
                  int(Coherent) == int(lanetest::Stage::Coherent) &&
                  int(NewEnergy) == int(lanetest::Stage::NewEnergy) &&
                  int(FormFactor) == int(lanetest::Stage::FormFactor) &&
                  int(Incoherent) == int(lanetest::Stage::Incoherent) &&
                  int(FirstIncoherent) == int(lanetest::Stage::FirstIncoherent) &&
                  int(Flight) == int(lanetest::Stage::Flight) &&
                  int(Source) == int(lanetest::Stage::Source) && int(Empty) == 0,
              "the tests' stages are the lanes' stages");

// Float offsets of an outcome's fields in the table of first incoherent scatterings.
using Outcome = IncoherentTable::Outcome;
static_assert(sizeof(Outcome) % sizeof(float) == 0, "outcomes are whole floats");
constexpr std::int32_t outcomeStride = sizeof(Outcome) / sizeof(float);
constexpr std::int32_t fieldOf(std::size_t offset) {
    return static_cast<std::int32_t>(offset / sizeof(float));
}
constexpr std::int32_t ratioField = fieldOf(offsetof(Outcome, formFactorRatio));
constexpr std::int32_t energyField =
    fieldOf(offsetof(Outcome, scattering) + offsetof(Scattering, E));
constexpr std::int32_t cosineField =
    fieldOf(offsetof(Outcome, scattering) + offsetof(Scattering, cosTheta));
constexpr std::int32_t sineField =
    fieldOf(offsetof(Outcome, scattering) + offsetof(Scattering, sinTheta));
constexpr std::int32_t totalField =
    fieldOf(offsetof(Outcome, crossSections) + offsetof(CrossSections, total));
constexpr std::int32_t photoelectricField =
    fieldOf(offsetof(Outcome, crossSections) + offsetof(CrossSections, photoelectric));
constexpr std::int32_t upperField =
    fieldOf(offsetof(Outcome, crossSections) + offsetof(CrossSections, upper));
constexpr std::int32_t filledForField = fieldOf(offsetof(Outcome, filledFor));
static_assert(sizeof(Azimuth) == 2 * sizeof(float) && offsetof(Azimuth, sine) == sizeof(float),
              "an azimuth is its cosine and its sine");

// Element `index` of a table of `rows` floats (padded to whole vectors), lane
// by lane: with vectors of 16 lanes the table is held in a few vectors and
// each lane picks its element by permutation; a gather otherwise.
template <int rows> VF fromTable(const float* table, VI index) {
    if constexpr (laneCount == 16) {
        constexpr int vectors = wholeVectors(rows) / 16;
        const auto within = hn::IndicesFromVec(df, hn::And(index, hn::Set(di, 15)));
        VF v = hn::TableLookupLanes(hn::LoadU(df, table), within);
        for (int k = 1; k < vectors; ++k)
            v = where(fromInts(index > hn::Set(di, 16 * k - 1)),
                      hn::TableLookupLanes(hn::LoadU(df, table + 16 * k), within), v);
        return v;
    } else {
        return hn::GatherIndex(df, table, index);
    }
}

// Cross sections of every lane at its energy, as crossSectionsAt gives them.
struct LaneCrossSections {
    VF total, photoelectric, upper;
};

LaneCrossSections crossSectionsInLanes(const TransportTables& t, VF E) {
    const VI bucket = hn::ConvertTo(di, hn::Min(E * hn::Set(df, float(energyBucketsPerKeV)),
                                                hn::Set(df, float(energyBuckets - 1))));
    VI i = hn::GatherIndex(di, t.energyStartRow, bucket);
    const VI lastRow = hn::Set(di, t.rowCount - 1);
    // Only a bucket that a row's energy divides needs the search.
    const MF searched = fromInts(hn::GatherIndex(di, t.energyEndRow, bucket) > i);
    while (!hn::AllFalse(df, searched)) {
        const MF on = hn::And(hn::And(searched, fromInts(i < lastRow)),
                              hn::Not(fromTable<maxCrossSectionRows>(t.energy, i) > E));
        if (hn::AllFalse(df, on))
            break;
        i = i + hn::IfThenElseZero(hn::RebindMask(di, on), hn::Set(di, 1));
    }
    const VI below = i - hn::Set(di, 1);
    const VF lnE = vm::log(df, E);
    const VF logE0 = fromTable<maxCrossSectionRows>(t.logEnergy, below);
    const VF f = (lnE - logE0) / (fromTable<maxCrossSectionRows>(t.logEnergy, i) - logE0);
    auto interpolate = [&](const float* logTable) {
        const VF low = fromTable<maxCrossSectionRows>(logTable, below);
        return vm::exp(df, low + f * (fromTable<maxCrossSectionRows>(logTable, i) - low));
    };
    const VF coherent = interpolate(t.logCoherent);
    const VF incoherent = interpolate(t.logIncoherent);
    const VF photo = interpolate(t.logPhotoelectric);
    LaneCrossSections xs;
    xs.total = photo + incoherent + coherent;
    xs.photoelectric = photo / xs.total;
    xs.upper = (photo + coherent) / xs.total;
    return xs;
}

// Kahn's trial (kahnTrial) of every lane with a = 511/E: eta from R2 on the
// branch of each lane, and the value that R3 must stay below.
struct KahnTrials {
    VF eta, acceptance;
};

KahnTrials kahnTrials(VF a, MF upperBranch, VF R2) {
    const VF one = hn::Set(df, 1.0f);
    const VF two = hn::Set(df, 2.0f);
    const VF etaUpper = (a + two) / (two * (one - R2) + a);
    const VF b = one + a - a * etaUpper;
    const VF acceptUpper = hn::Set(df, 0.5f) * (b * b + one / etaUpper);
    const VF etaLower = one + two * R2 / a;
    const VF acceptLower = hn::Set(df, 4.0f) * (one / etaLower - one / (etaLower * etaLower));
    return {where(upperBranch, etaUpper, etaLower), where(upperBranch, acceptUpper, acceptLower)};
}

// The angle of accepted Kahn trials and its rejection on S(q)
// (incoherentAngleOf): theta, whether q < 10 asks for the test, and S(q)/S(45).
struct IncoherentAngles {
    VF theta;
    MF tested;
    VF ratio;
};

IncoherentAngles incoherentAngles(const TransportTables& t, VF E, VF a, VF eta) {
    const VF one = hn::Set(df, 1.0f);
    // incoherentAngle of c = 1 - a (eta - 1).
    const VF c = one - a * (eta - one);
    const VF limited = hn::Max(hn::Min(c, one), hn::Neg(one));
    VF theta = vm::atan(df, hn::Sqrt(one - limited * limited) / limited);
    theta = where(theta < hn::Zero(df), theta + hn::Set(df, pi), theta);
    theta = where(c == hn::Zero(df), hn::Set(df, pi * 0.5f), theta);
    // q = sin(theta/2) E / 12.4, and S(q) between the rows of the form-factor table around it.
    const VF q = vm::sin(df, theta * hn::Set(df, 0.5f)) * E / hn::Set(df, hc);
    const MF tested = q < hn::Set(df, freeElectronMomentumTransfer);
    const VI bucket = hn::ConvertTo(di, hn::Min(q * hn::Set(df, float(formBucketsPerUnit)),
                                                hn::Set(df, float(formBuckets - 1))));
    VI i = hn::GatherIndex(di, t.formStartRow, bucket);
    // Only a bucket that a row's x divides needs the search.
    const MF searched = hn::And(tested, fromInts(hn::GatherIndex(di, t.formEndRow, bucket) > i));
    while (!hn::AllFalse(df, searched)) {
        const MF on = hn::AndNot(fromTable<formFactorRows>(t.formX, i) > q, searched);
        if (hn::AllFalse(df, on))
            break;
        i = i + hn::IfThenElseZero(hn::RebindMask(di, on), hn::Set(di, 1));
    }
    const VI below = i - hn::Set(di, 1);
    const VF S0 = fromTable<formFactorRows>(t.formS, below);
    const VF X0 = fromTable<formFactorRows>(t.formX, below);
    const VF S = S0 + (fromTable<formFactorRows>(t.formS, i) - S0) * (q - X0) /
                          (fromTable<formFactorRows>(t.formX, i) - X0);
    return {theta, tested, where(tested, S / hn::Set(df, t.maxS), one)};
}

// Energy and polar angle after incoherent scattering by theta (incoherentResult).
struct LaneScatterings {
    VF E, cosTheta, sinTheta;
};

LaneScatterings incoherentResults(VF E, VF theta) {
    const auto angle = vm::sincos(df, theta);
    const VF one = hn::Set(df, 1.0f);
    return {E / (one + E / hn::Set(df, electronRestEnergy) * (one - angle.cosine)), angle.cosine,
            angle.sine};
}

// Fills the outcomes of the table's entries `entry` where `which` holds, as
// IncoherentTable::fill does: the outcome of the trial with that branch and
// R2, its test on S(q), and the cross sections at the new energy.
void fillOutcomes(const TransportTables& t, IncoherentTable& table, VI entry, MF which) {
    const float E = table.energy();
    const VF Ev = hn::Set(df, E);
    const VF a = hn::Set(df, electronRestEnergy / E);
    const VI k2 = hn::And(entry, hn::Set(di, drawValues - 1));
    const MF upperBranch = fromInts(entry > hn::Set(di, drawValues - 1));
    const VF R2 = hn::ConvertTo(df, k2) / hn::Set(df, LaggedFibonacciGenerator::divisor);
    const KahnTrials trial = kahnTrials(a, upperBranch, R2);
    const IncoherentAngles angle = incoherentAngles(t, Ev, a, trial.eta);
    const LaneScatterings result = incoherentResults(Ev, angle.theta);
    const MF on = result.E >= hn::Set(df, transportCutoff);
    const LaneCrossSections xs = crossSectionsInLanes(t, where(on, result.E, Ev));
    HWY_ALIGN std::int32_t entries[laneCount], tested[laneCount], crossed[laneCount];
    HWY_ALIGN float ratio[laneCount], newE[laneCount], cosS[laneCount], sinS[laneCount];
    HWY_ALIGN float total[laneCount], photoelectric[laneCount], upper[laneCount];
    hn::Store(entry, di, entries);
    hn::Store(hn::VecFromMask(di, hn::RebindMask(di, angle.tested)), di, tested);
    hn::Store(hn::VecFromMask(di, hn::RebindMask(di, on)), di, crossed);
    hn::Store(angle.ratio, df, ratio);
    hn::Store(result.E, df, newE);
    hn::Store(result.cosTheta, df, cosS);
    hn::Store(result.sinTheta, df, sinS);
    hn::Store(xs.total, df, total);
    hn::Store(xs.photoelectric, df, photoelectric);
    hn::Store(xs.upper, df, upper);
    IncoherentTable::Outcome* outcomes = table.outcomeData();
    forEachLane(which, [&](std::size_t l) {
        IncoherentTable::Outcome& o = outcomes[entries[l]];
        o.formFactorTest = tested[l] != 0;
        o.formFactorRatio = ratio[l];
        o.scattering = {newE[l], cosS[l], sinS[l]};
        if (crossed[l] != 0)
            o.crossSections = {total[l], photoelectric[l], upper[l]};
        o.filledFor = table.bin();
    });
}

// The halves of a vector of floats in double precision.
using DH = hn::Half<DF>;
using DD = hn::Rebind<double, DH>;
using VD = hn::Vec<DD>;
constexpr DH dh;
constexpr DD dd;

// Entry through a rounded side on the ray from the focus, as soundSideEntry
// computes it (in double), for one half of the lanes.
struct SideEntry {
    VD x, y, z;
    hn::Mask<DD> hit;
};

SideEntry sideEntry(float F, VD dx, VD dy) {
    const VD centre = hn::IfThenElse(hn::Gt(dx, hn::Zero(dd)), hn::Set(dd, double(slabHalfWidth)),
                                     hn::Set(dd, -double(slabHalfWidth)));
    const VD dz = hn::Set(dd, double(F));
    const VD z0 = hn::Set(dd, -double(halfThickness) - double(F));
    const VD a = dx * dx + dz * dz;
    const VD halfB = hn::Neg(dx * centre) + z0 * dz;
    const VD c = centre * centre + z0 * z0 - hn::Set(dd, double(sideRadiusSquared));
    const VD D = halfB * halfB - a * c;
    const VD t = (hn::Neg(halfB) - hn::Sqrt(D)) / a;
    const VD y = t * dy;
    const VD length = hn::Set(dd, double(halfLength));
    SideEntry e;
    e.hit = hn::And(hn::And(D > hn::Zero(dd), t > hn::Zero(dd)),
                    hn::Not(hn::Or(y<hn::Neg(length), y> length)));
    e.x = t * dx;
    e.y = y;
    e.z = z0 + t * dz;
    return e;
}

VF joinHalves(VD low, VD high) {
    return hn::Combine(df, hn::DemoteTo(dh, high), hn::DemoteTo(dh, low));
}

// The lanes a step works on, a vector at a time: lanes of the bank in
// place, those at the step's stage active (loads and stores), or the lanes
// at the stage gathered into a vector (gathers and scatters), the lanes
// past the last taking the spare slot. Either way a lane computes the same.
enum class Layout { InPlace, Gathered };

struct InPlace {
    int first;
    MF valid;
    VI lanes() const { return hn::Iota(di, first); }
    VF get(const float* field) const { return hn::Load(df, field + first); }
    VI get(const std::int32_t* field) const { return hn::Load(di, field + first); }
    void put(float* field, VF v) const { hn::BlendedStore(v, valid, df, field + first); }
    void put(std::int32_t* field, VI v) const {
        hn::BlendedStore(v, hn::RebindMask(di, valid), di, field + first);
    }
    VI value(const LaneDraws& draws, std::int64_t row) const {
        return hn::Load(di, draws.row(row) + first);
    }
    VF draw(const LaneDraws& draws, std::int64_t row) const {
        return LaneDraws::toFloat(value(draws, row));
    }
};

struct Gathered {
    VI lane;
    MF valid;
    VI lanes() const { return lane; }
    VF get(const float* field) const { return hn::GatherIndex(df, field, lane); }
    VI get(const std::int32_t* field) const { return hn::GatherIndex(di, field, lane); }
    void put(float* field, VF v) const { hn::ScatterIndex(v, df, field, lane); }
    void put(std::int32_t* field, VI v) const { hn::ScatterIndex(v, di, field, lane); }
    VI value(const LaneDraws& draws, std::int64_t row) const {
        // The spare slot has no generator: its lanes read the last lane's.
        return hn::GatherIndex(di, draws.row(row), hn::Min(lane, hn::Set(di, LaneBank::lanes - 1)));
    }
    VF draw(const LaneDraws& draws, std::int64_t row) const {
        return LaneDraws::toFloat(value(draws, row));
    }
};

// One chunk's lanes and the steps of a pass. Every step takes the lanes at
// its stage a vector at a time, in rising order; the lanes of a vector past
// the last are the spare slot, which holds a photon of the bin at rest
// whenever a step starts, so that they compute harmless values.
class Lanes {
public:
    Lanes(const TransportTables& t, IncoherentTable& firstIncoherent, bool tableFilled,
          LaneBank& bank, LaneDraws& draws, int bin)
        : t_(t), table_(firstIncoherent), tableFilled_(tableFilled), b_(bank), draws_(draws),
          bin_(bin), binEnergy_(binEnergy(bin)), binXs_(t.binCrossSections[bin]),
          atBinFromStart_(firstIncoherent.energy() == binEnergy(bin)) {
        for (int l = 0; l < LaneBank::slots; ++l)
            restSpare(l);
    }

    // Scores escaping photons with `score(E, x, y, z, u, v, w)`.
    template <class Score> void run(std::int64_t histories, Score score) {
        remaining_ = histories;
        for (;;) {
            int waiting;
            do {
                startHistories();
                forEach(Source, 2, Layout::Gathered,
                        [&](const auto& at, std::int64_t row) { enter(at, row); });
                waiting = count(Empty);
            } while (remaining_ > 0 && waiting > 0);
            if (waiting == LaneBank::lanes)
                return;
            forEach(Flight, 2, Layout::InPlace,
                    [&](const auto& at, std::int64_t row) { fly(at, row); });
            scoreEscapes(score);
            forEach(FirstIncoherent, 4, Layout::Gathered,
                    [&](const auto& at, std::int64_t row) { firstIncoherentTrial(at, row); });
            forEach(Incoherent, 3, Layout::Gathered,
                    [&](const auto& at, std::int64_t row) { kahnTrial(at, row); });
            forEach(FormFactor, 1, Layout::Gathered,
                    [&](const auto& at, std::int64_t row) { formFactorTest(at, row); });
            forEach(NewEnergy, 0, Layout::Gathered,
                    [&](const auto& at, std::int64_t) { newEnergy(at); });
            forEach(Coherent, 2, Layout::Gathered,
                    [&](const auto& at, std::int64_t row) { coherentTrial(at, row); });
            forEach(Turn, 1, Layout::InPlace,
                    [&](const auto& at, std::int64_t row) { turn(at, row); });
        }
    }

    // Runs `step(at, row)` on the lanes at stage `s`, a vector at a time, with
    // `rows` rows of draws from the first row `row` (none taken when no lane
    // is at the stage): in place or gathered. In place suits the steps that
    // most lanes take and that read and write much of a photon (the free
    // path, the new direction); gathering suits the long computations that
    // fewer lanes take.
    template <class Step> void forEach(Stage s, int rows, Layout layout, Step step) {
        const int n = layout == Layout::InPlace ? count(s) : select(s);
        if (n == 0)
            return;
        const std::int64_t row = rows > 0 ? draws_.take(rows) : 0;
        if (layout == Layout::InPlace) {
            const VI stage = hn::Set(di, s);
            for (int l = 0; l < LaneBank::lanes; l += int(laneCount)) {
                const MF active = fromInts(hn::Load(di, b_.stage + l) == stage);
                if (!hn::AllFalse(df, active))
                    step(InPlace{l, active}, row);
            }
            return;
        }
        restSpare(LaneBank::spare);
        for (int first = 0; first < n; first += int(laneCount))
            step(Gathered{hn::LoadU(di, b_.list + first), hn::FirstN(df, std::size_t(n - first))},
                 row);
    }

    // Puts every lane at stage `s` with a photon of energy E at the origin
    // along z, for the tests.
    void placeAll(Stage s, float E, bool scattered) {
        for (int l = 0; l < LaneBank::lanes; ++l) {
            restSpare(l);
            b_.E[l] = E;
            b_.scattered[l] = scattered;
            b_.stage[l] = s;
        }
    }

private:
    // Scores the photons that escaped in the flights of this pass, in lane
    // order, with `score(E, x, y, z, u, v, w)`.
    template <class Score> void scoreEscapes(Score score) {
        for (int n = 0; n < escapes_; ++n) {
            const int l = b_.escapes[n];
            const float u = b_.sinTheta[l] * b_.cosPhi[l];
            const float v = b_.sinTheta[l] * b_.sinPhi[l];
            score(b_.E[l], b_.x[l], b_.y[l], b_.z[l], u, v, b_.cosTheta[l]);
        }
        escapes_ = 0;
    }

    // The number of lanes at stage `s`.
    int count(Stage s) const {
        std::size_t n = 0;
        const VI stage = hn::Set(di, s);
        for (int l = 0; l < LaneBank::lanes; l += int(laneCount))
            n += hn::CountTrue(di, hn::Load(di, b_.stage + l) == stage);
        return int(n);
    }

    // The lanes at stage `s` into the list, in rising order; their number.
    int select(Stage s) {
        int n = 0;
        const VI stage = hn::Set(di, s);
        for (int l = 0; l < LaneBank::lanes; l += int(laneCount))
            n += int(hn::CompressStore(hn::Iota(di, l), hn::Load(di, b_.stage + l) == stage, di,
                                       b_.list + n));
        hn::StoreU(hn::Set(di, LaneBank::spare), di, b_.list + n);
        return n;
    }

    // Slot `l` holds a photon of the bin at the origin along z, not yet scattered.
    void restSpare(int l) {
        b_.E[l] = binEnergy_;
        b_.x[l] = b_.y[l] = b_.z[l] = 0.0f;
        b_.cosTheta[l] = 1.0f;
        b_.sinTheta[l] = 0.0f;
        b_.cosPhi[l] = 1.0f;
        b_.sinPhi[l] = 0.0f;
        b_.total[l] = binXs_.total;
        b_.photoelectric[l] = binXs_.photoelectric;
        b_.upper[l] = binXs_.upper;
        b_.eta[l] = 1.0f;
        b_.theta[l] = 0.5f;
        b_.cosS[l] = 1.0f;
        b_.sinS[l] = 0.0f;
        b_.stage[l] = Empty;
        b_.scattered[l] = 0;
        b_.atBinEnergy[l] = atBinFromStart_;
    }

    static VI stageWhere(MF m, Stage s, VI otherwise) {
        return hn::IfThenElse(hn::RebindMask(di, m), hn::Set(di, s), otherwise);
    }

    // Empty lanes take the chunk's next histories, in lane order: a photon
    // of the bin energy, not yet scattered, whose entry comes next.
    void startHistories() {
        const VI empty = hn::Set(di, Empty);
        for (int l = 0; l < LaneBank::lanes && remaining_ > 0; l += int(laneCount)) {
            const auto take = hn::Load(di, b_.stage + l) == empty;
            const std::int64_t n = std::int64_t(hn::CountTrue(di, take));
            if (n > remaining_) {
                // The chunk's last histories go to the first empty lanes.
                for (int k = l; k < l + int(laneCount) && remaining_ > 0; ++k) {
                    if (b_.stage[k] == Empty) {
                        startHistory(k);
                        --remaining_;
                    }
                }
                continue;
            }
            remaining_ -= n;
            const MF lanes = hn::RebindMask(df, take);
            hn::BlendedStore(hn::Set(di, Source), take, di, b_.stage + l);
            hn::BlendedStore(hn::Set(df, binEnergy_), lanes, df, b_.E + l);
            hn::BlendedStore(hn::Set(df, binXs_.total), lanes, df, b_.total + l);
            hn::BlendedStore(hn::Set(df, binXs_.photoelectric), lanes, df, b_.photoelectric + l);
            hn::BlendedStore(hn::Set(df, binXs_.upper), lanes, df, b_.upper + l);
            hn::BlendedStore(hn::Zero(di), take, di, b_.scattered + l);
            hn::BlendedStore(hn::Set(di, atBinFromStart_ ? 1 : 0), take, di, b_.atBinEnergy + l);
        }
    }

    void startHistory(int l) {
        b_.stage[l] = Source;
        b_.E[l] = binEnergy_;
        b_.total[l] = binXs_.total;
        b_.photoelectric[l] = binXs_.photoelectric;
        b_.upper[l] = binXs_.upper;
        b_.scattered[l] = 0;
        b_.atBinEnergy[l] = atBinFromStart_;
    }

    // The entry point and direction of a new history (sampleSource of the
    // sound phantom): a ray that passes the phantom ends the history, a
    // field point at the axis is drawn again.
    template <class At> void enter(const At& at, std::int64_t row) {
        const float F = t_.focusSkinDistance;
        const VF R1 = at.draw(draws_, row);
        const VF R2 = at.draw(draws_, row + 1);
        const VF half = hn::Set(df, 0.5f);
        const VF Fv = hn::Set(df, F);
        const VF toSkin = hn::Set(df, F + halfThickness);
        const VF x0 = (half - R1) * Fv / toSkin * hn::Set(df, t_.fieldWidth);
        const VF y0 = (half - R2) * Fv / toSkin * hn::Set(df, t_.fieldLength);
        VF xe = x0, ye = y0, ze = hn::Set(df, -halfThickness);
        const MF side = hn::Abs(x0) > hn::Set(df, slabHalfWidth);
        MF missed = hn::FirstN(df, 0);
        if (!hn::AllFalse(df, hn::And(at.valid, side))) {
            const SideEntry low = sideEntry(F, hn::PromoteTo(dd, hn::LowerHalf(dh, x0)),
                                            hn::PromoteTo(dd, hn::LowerHalf(dh, y0)));
            const SideEntry high = sideEntry(F, hn::PromoteTo(dd, hn::UpperHalf(dh, x0)),
                                             hn::PromoteTo(dd, hn::UpperHalf(dh, y0)));
            missed = hn::AndNot(vm::vectordetail::joinMasks(df, low.hit, high.hit), side);
            xe = where(side, joinHalves(low.x, high.x), xe);
            ye = where(side, joinHalves(low.y, high.y), ye);
            ze = where(side, joinHalves(low.z, high.z), ze);
        }
        const VF s2 = x0 * x0 + y0 * y0;
        const MF entered = hn::AndNot(missed, s2 > hn::Zero(df));
        const VF root = hn::Sqrt(Fv * Fv + s2);
        const VF s = hn::Sqrt(s2);
        // Lanes that are neither entered nor missed draw their field point
        // again; what is written for them and for the missed ones is not read.
        at.put(b_.x, xe);
        at.put(b_.y, ye);
        at.put(b_.z, ze);
        at.put(b_.cosTheta, Fv / root);
        at.put(b_.sinTheta, s / root);
        at.put(b_.cosPhi, x0 / s);
        at.put(b_.sinPhi, y0 / s);
        at.put(b_.stage,
               stageWhere(entered, Flight, stageWhere(missed, Empty, hn::Set(di, Source))));
    }

    // A free path (R1 = 0 is drawn again in the next pass), the inside test,
    // the escape with its scoring, or the choice of interaction by R2.
    template <class At> void fly(const At& at, std::int64_t row) {
        const VI k1 = at.value(draws_, row);
        const VF R2 = at.draw(draws_, row + 1);
        const MF flies = fromInts(k1 != hn::Zero(di));
        const VF sinTheta = at.get(b_.sinTheta);
        const VF u = sinTheta * at.get(b_.cosPhi);
        const VF v = sinTheta * at.get(b_.sinPhi);
        const VF w = at.get(b_.cosTheta);
        const VF s = hn::GatherIndex(df, t_.negativeLogDraw, k1) / at.get(b_.total);
        const VF x0 = at.get(b_.x), y0 = at.get(b_.y), z0 = at.get(b_.z);
        const VF x = x0 + u * s;
        const VF y = y0 + v * s;
        const VF z = z0 + w * s;

        // isInside of the sound phantom.
        const VF length = hn::Set(df, halfLength);
        const VF width = hn::Set(df, slabHalfWidth);
        const VF thickness = hn::Set(df, halfThickness);
        const VF radius2 = hn::Set(df, sideRadiusSquared);
        const MF withinLength = hn::And(y >= hn::Neg(length), y <= length);
        const MF slab = hn::And(hn::And(hn::And(x >= hn::Neg(width), x <= width), withinLength),
                                hn::And(z >= hn::Neg(thickness), z <= thickness));
        const VF dxPlus = x - width;
        const VF dxMinus = x + width;
        const MF right = hn::And(x > width, dxPlus * dxPlus + z * z <= radius2);
        const MF left = hn::And(x < hn::Neg(width), dxMinus * dxMinus + z * z <= radius2);
        const MF inside = hn::Or(slab, hn::And(withinLength, hn::Or(right, left)));

        const MF escaped = hn::AndNot(inside, flies);
        const VF zero = hn::Zero(df);
        const MF scored = hn::And(
            hn::And(hn::And(at.valid, escaped), fromInts(at.get(b_.scattered) != hn::Zero(di))),
            hn::And(w != zero, u != zero));
        // The lanes to score after the step: an escaped photon keeps its
        // energy, its last point inside and its direction.
        escapes_ += int(
            hn::CompressStore(at.lanes(), hn::RebindMask(di, scored), di, b_.escapes + escapes_));
        const MF moved = hn::And(flies, inside);
        at.put(b_.x, where(moved, x, x0));
        at.put(b_.y, where(moved, y, y0));
        at.put(b_.z, where(moved, z, z0));
        const MF absorbed = hn::And(moved, R2 < at.get(b_.photoelectric));
        const MF interacts = hn::AndNot(absorbed, moved);
        const MF incoherent = hn::And(interacts, R2 >= at.get(b_.upper));
        const MF atBin = fromInts(at.get(b_.atBinEnergy) != hn::Zero(di));
        VI stage = hn::Set(di, Flight);
        stage = stageWhere(hn::Or(escaped, absorbed), Empty, stage);
        stage = stageWhere(hn::And(incoherent, atBin), FirstIncoherent, stage);
        stage = stageWhere(hn::AndNot(atBin, incoherent), Incoherent, stage);
        stage = stageWhere(hn::AndNot(incoherent, interacts), Coherent, stage);
        at.put(b_.stage, stage);
    }

    // One trial of the first incoherent scattering at the bin energy, from
    // the table (IncoherentTable::sample): R1 the branch, R2 the entry, R3
    // Kahn's acceptance, R4 the rejection on S(q).
    template <class At> void firstIncoherentTrial(const At& at, std::int64_t row) {
        const VF R1 = at.draw(draws_, row);
        const VI k2 = at.value(draws_, row + 1);
        const VF R3 = at.draw(draws_, row + 2);
        const VF R4 = at.draw(draws_, row + 3);
        const MF upperBranch = R1 > hn::Set(df, table_.branchThreshold());
        const VI entry =
            k2 + hn::IfThenElseZero(hn::RebindMask(di, upperBranch), hn::Set(di, drawValues));
        const MF accepted = hn::GatherIndex(df, table_.acceptanceData(), entry) > R3;
        if (hn::AllFalse(df, hn::And(at.valid, accepted)))
            return;
        const float* outcomes = reinterpret_cast<const float*>(table_.outcomeData());
        const VI base = entry * hn::Set(di, outcomeStride);
        if (!tableFilled_) {
            const std::int32_t* filled = reinterpret_cast<const std::int32_t*>(outcomes);
            const MF unfilled =
                hn::And(hn::And(at.valid, accepted),
                        fromInts(hn::GatherIndex(di, filled, base + hn::Set(di, filledForField)) !=
                                 hn::Set(di, bin_)));
            if (!hn::AllFalse(df, unfilled))
                fillOutcomes(t_, table_, entry, unfilled);
        }
        auto field = [&](std::int32_t offset) {
            return hn::GatherIndex(df, outcomes, base + hn::Set(di, offset));
        };
        const MF done = hn::AndNot(field(ratioField) < R4, accepted);
        if (hn::AllFalse(df, hn::And(at.valid, done)))
            return;
        // A lane that stays at this stage is still at the bin energy; the
        // cross sections written for it are not read before its acceptance.
        at.put(b_.atBinEnergy, hn::IfThenZeroElse(hn::RebindMask(di, done), hn::Set(di, 1)));
        at.put(b_.total, field(totalField));
        at.put(b_.photoelectric, field(photoelectricField));
        at.put(b_.upper, field(upperField));
        // The others stay at the bin energy; below the cut-off the history ends.
        const VF E = field(energyField);
        at.put(b_.E, where(done, E, hn::Set(df, binEnergy_)));
        at.put(b_.cosS, field(cosineField));
        at.put(b_.sinS, field(sineField));
        const MF below = hn::And(done, E < hn::Set(df, transportCutoff));
        at.put(b_.stage,
               stageWhere(below, Empty, stageWhere(done, Turn, hn::Set(di, FirstIncoherent))));
    }

    // One trial of incoherent scattering at the lane's energy
    // (sampleIncoherent) in three steps of a pass: Kahn's method for the
    // Klein-Nishina distribution (R1 the branch, R2 eta, R3 the acceptance),
    // then the angle and the rejection on S(q) by R4 (a rejection starts over
    // in the next pass), then the new energy and its cross sections.
    template <class At> void kahnTrial(const At& at, std::int64_t row) {
        const VF R1 = at.draw(draws_, row);
        const VF R2 = at.draw(draws_, row + 1);
        const VF R3 = at.draw(draws_, row + 2);
        const VF E = at.get(b_.E);
        const VF two = hn::Set(df, 2.0f);
        const VF a = hn::Set(df, electronRestEnergy) / E;
        const VF p = (a + two) / (hn::Set(df, 9.0f) * a + two);
        const KahnTrials trial = kahnTrials(a, R1 > p, R2);
        const MF accepted = trial.acceptance > R3;
        if (hn::AllFalse(df, hn::And(at.valid, accepted)))
            return;
        at.put(b_.eta, trial.eta);
        at.put(b_.stage, stageWhere(accepted, FormFactor, hn::Set(di, Incoherent)));
    }

    template <class At> void formFactorTest(const At& at, std::int64_t row) {
        const VF R4 = at.draw(draws_, row);
        const VF E = at.get(b_.E);
        const VF a = hn::Set(df, electronRestEnergy) / E;
        const IncoherentAngles angle = incoherentAngles(t_, E, a, at.get(b_.eta));
        const MF rejected = hn::And(angle.tested, angle.ratio < R4);
        at.put(b_.theta, angle.theta);
        at.put(b_.stage, stageWhere(rejected, Incoherent, hn::Set(di, NewEnergy)));
    }

    template <class At> void newEnergy(const At& at) {
        const VF E = at.get(b_.E);
        const LaneScatterings result = incoherentResults(E, at.get(b_.theta));
        const MF on = result.E >= hn::Set(df, transportCutoff);
        const LaneCrossSections xs = crossSectionsInLanes(t_, where(on, result.E, E));
        at.put(b_.E, result.E);
        at.put(b_.cosS, result.cosTheta);
        at.put(b_.sinS, result.sinTheta);
        at.put(b_.total, xs.total);
        at.put(b_.photoelectric, xs.photoelectric);
        at.put(b_.upper, xs.upper);
        at.put(b_.stage, stageWhere(on, Turn, hn::Set(di, Empty)));
    }

    // One trial of coherent scattering (sampleCoherent): q from the
    // cumulative distribution A(x) by the draw, then Thomson's rejection.
    template <class At> void coherentTrial(const At& at, std::int64_t row) {
        const VI k = at.value(draws_, row);
        const VF R = at.draw(draws_, row + 1);
        const VF one = hn::Set(df, 1.0f);
        const VF two = hn::Set(df, 2.0f);
        const VF E = at.get(b_.E);
        const VF y = hn::GatherIndex(df, t_.coherentQ, k) / E;
        const VF c = one - two * y * y;
        const MF done = hn::Not(hn::Or(y > one, two * R > c * c + one));
        if (hn::AllFalse(df, hn::And(at.valid, done)))
            return;
        const VF cosS = where(c < one, c, one);
        at.put(b_.cosS, cosS);
        at.put(b_.sinS, hn::Sqrt(one - cosS * cosS));
        at.put(b_.stage, stageWhere(done, Turn, hn::Set(di, Coherent)));
    }

    // The new direction after the scattering accepted in this pass (turnDirection).
    template <class At> void turn(const At& at, std::int64_t row) {
        const VI k = at.value(draws_, row);
        const VI twice = k + k;
        const float* azimuth = reinterpret_cast<const float*>(t_.azimuth);
        const VF cosA = hn::GatherIndex(df, azimuth, twice);
        const VF sinA = hn::GatherIndex(df, azimuth, twice + hn::Set(di, 1));
        const VF one = hn::Set(df, 1.0f);
        const VF zero = hn::Zero(df);
        const VF cosS = at.get(b_.cosS), sinS = at.get(b_.sinS);
        const VF cosTheta0 = at.get(b_.cosTheta), sinTheta0 = at.get(b_.sinTheta);
        const VF cosPhi0 = at.get(b_.cosPhi), sinPhi0 = at.get(b_.sinPhi);
        VF w = cosA * sinTheta0 * sinS + cosTheta0 * cosS;
        w = hn::Max(hn::Min(w, one), hn::Neg(one));
        const VF sinTheta = hn::Sqrt(one - w * w);
        const VF A = sinA * sinS / sinTheta;
        const VF B = (cosS - cosTheta0 * w) / (sinTheta0 * sinTheta);
        VF sinPhi = B * sinPhi0 + cosPhi0 * A;
        VF cosPhi = cosPhi0 * B - sinPhi0 * A;
        const MF alongZ = sinTheta0 == zero;
        sinPhi = where(alongZ, sinA, sinPhi);
        cosPhi = where(alongZ, hn::Neg(cosA), cosPhi);
        const MF straight = sinTheta == zero;
        sinPhi = where(straight, zero, sinPhi);
        cosPhi = where(straight, one, cosPhi);
        at.put(b_.cosTheta, w);
        at.put(b_.sinTheta, sinTheta);
        at.put(b_.cosPhi, cosPhi);
        at.put(b_.sinPhi, sinPhi);
        at.put(b_.scattered, hn::Set(di, 1));
        at.put(b_.stage, hn::Set(di, Flight));
    }

    const TransportTables& t_;
    IncoherentTable& table_;
    const bool tableFilled_;
    LaneBank& b_;
    LaneDraws& draws_;
    const int bin_;
    const float binEnergy_;
    const CrossSections binXs_;
    const bool atBinFromStart_;
    std::int64_t remaining_ = 0;
    int escapes_ = 0; // lanes in b_.escapes

    friend struct LaneProbe;
};

// The tests' access to single steps.
struct LaneProbe {
    Lanes& lanes;

    // One trial of every lane at stage `s`, gathered or in place.
    void trial(Stage s, Layout layout) {
        if (s == FirstIncoherent)
            lanes.forEach(s, 4, layout, [&](const auto& at, std::int64_t row) {
                lanes.firstIncoherentTrial(at, row);
            });
        else if (s == Incoherent) {
            lanes.forEach(s, 3, layout,
                          [&](const auto& at, std::int64_t row) { lanes.kahnTrial(at, row); });
            lanes.forEach(FormFactor, 1, layout,
                          [&](const auto& at, std::int64_t row) { lanes.formFactorTest(at, row); });
            lanes.forEach(NewEnergy, 0, layout,
                          [&](const auto& at, std::int64_t) { lanes.newEnergy(at); });
        } else
            lanes.forEach(s, 2, layout,
                          [&](const auto& at, std::int64_t row) { lanes.coherentTrial(at, row); });
    }
    void fly() {
        lanes.forEach(Flight, 2, Layout::InPlace,
                      [&](const auto& at, std::int64_t row) { lanes.fly(at, row); });
        lanes.scoreEscapes([](float, float, float, float, float, float, float) {});
    }

    // The step at stage `s` alone, as a pass runs it.
    template <class Score> void step(Stage s, Layout layout, Score score) {
        switch (s) {
        case Source:
            lanes.forEach(s, 2, layout,
                          [&](const auto& at, std::int64_t row) { lanes.enter(at, row); });
            break;
        case Flight:
            lanes.forEach(s, 2, layout,
                          [&](const auto& at, std::int64_t row) { lanes.fly(at, row); });
            lanes.scoreEscapes(score);
            break;
        case FirstIncoherent:
            lanes.forEach(s, 4, layout, [&](const auto& at, std::int64_t row) {
                lanes.firstIncoherentTrial(at, row);
            });
            break;
        case Incoherent:
            lanes.forEach(s, 3, layout,
                          [&](const auto& at, std::int64_t row) { lanes.kahnTrial(at, row); });
            break;
        case FormFactor:
            lanes.forEach(s, 1, layout,
                          [&](const auto& at, std::int64_t row) { lanes.formFactorTest(at, row); });
            break;
        case NewEnergy:
            lanes.forEach(s, 0, layout, [&](const auto& at, std::int64_t) { lanes.newEnergy(at); });
            break;
        case Coherent:
            lanes.forEach(s, 2, layout,
                          [&](const auto& at, std::int64_t row) { lanes.coherentTrial(at, row); });
            break;
        case Turn:
            lanes.forEach(s, 1, layout,
                          [&](const auto& at, std::int64_t row) { lanes.turn(at, row); });
            break;
        default:
            break;
        }
    }
};

std::int64_t RunChunk(const SimulationTables& tables, IncoherentTable& firstIncoherent,
                      bool tableFilled, LaneBank& bank, PlaneTallies& tally, int bin,
                      std::uint64_t runSeed, std::int64_t chunk, std::int64_t count) {
    LaneDraws draws(bank);
    draws.seed(runSeed, bin, chunk);
    Lanes lanes(tables.transport, firstIncoherent, tableFilled, bank, draws, bin);
    lanes.run(count, [&](float E, float x, float y, float z, float u, float v, float w) {
        scorePhoton(tables.scoring, tally, E, x, y, z, u, v, w);
    });
    return count;
}

void FillTable(const TransportTables& t, IncoherentTable& table, int first, int stride) {
    constexpr int block = 64;
    static_assert(2 * drawValues % block == 0 && block % laneCount == 0, "whole blocks of entries");
    const float* acceptance = table.acceptanceData();
    for (int start = first * block; start < 2 * drawValues; start += stride * block) {
        for (int e = start; e < start + block; e += int(laneCount)) {
            const MF which = hn::LoadU(df, acceptance + e) > hn::Zero(df);
            if (!hn::AllFalse(df, which))
                fillOutcomes(t, table, hn::Iota(di, e), which);
        }
    }
}

std::vector<std::int32_t> LaneValues(std::uint64_t runSeed, int bin, std::int64_t chunk, int lane,
                                     int count) {
    auto bank = std::make_unique<LaneBank>();
    LaneDraws draws(*bank);
    draws.seed(runSeed, bin, chunk);
    std::vector<std::int32_t> values;
    for (int n = 0; n < count; ++n)
        values.push_back(draws.row(draws.take(1))[lane]);
    return values;
}

void FloatFunction(lanetest::Function f, const std::vector<float>& x, std::vector<float>& out) {
    out.resize(x.size());
    for (std::size_t n = 0; n + laneCount <= x.size(); n += laneCount) {
        const VF v = hn::LoadU(df, x.data() + n);
        VF y;
        switch (f) {
        case lanetest::Function::Log:
            y = vm::log(df, v);
            break;
        case lanetest::Function::Exp:
            y = vm::exp(df, v);
            break;
        case lanetest::Function::Atan:
            y = vm::atan(df, v);
            break;
        case lanetest::Function::Sin:
            y = vm::sin(df, v);
            break;
        case lanetest::Function::Cos:
            y = vm::sincos(df, v).cosine;
            break;
        }
        hn::StoreU(y, df, out.data() + n);
    }
}

lanetest::Samples Scatterings(const TransportTables& t, IncoherentTable& table,
                              lanetest::Sampler sampler, float E, std::uint64_t seed, int count) {
    auto bank = std::make_unique<LaneBank>();
    LaneDraws draws(*bank);
    draws.seed(seed, 0, 0);
    const int bin = static_cast<int>(E / binWidth);
    Lanes lanes(t, table, false, *bank, draws, bin);
    LaneProbe probe{lanes};
    const Stage stage = sampler == lanetest::Sampler::FirstIncoherent ? FirstIncoherent
                        : sampler == lanetest::Sampler::Incoherent    ? Incoherent
                                                                      : Coherent;
    lanes.placeAll(stage, E, true);
    lanetest::Samples samples;
    while (int(samples.cosines.size()) < count) {
        // Gathered and in place by turns: each lane computes the same either way.
        probe.trial(stage, samples.cosines.size() % 2 == 0 ? Layout::Gathered : Layout::InPlace);
        // Accepted lanes, those below the cut-off among them, start over at E.
        for (int l = 0; l < LaneBank::lanes; ++l) {
            if (bank->stage[l] == stage)
                continue;
            samples.cosines.push_back(bank->cosS[l]);
            samples.energies.push_back(bank->E[l]);
            bank->E[l] = E;
            bank->stage[l] = stage;
        }
    }
    samples.cosines.resize(std::size_t(count));
    samples.energies.resize(std::size_t(count));
    return samples;
}

int FirstFlightEscapes(const TransportTables& t, int bin, float x, float y, float z, float u,
                       float v, float w, std::uint64_t seed, int count) {
    auto bank = std::make_unique<LaneBank>();
    LaneDraws draws(*bank);
    draws.seed(seed, bin, 0);
    auto table = std::make_unique<IncoherentTable>();
    Lanes lanes(t, *table, false, *bank, draws, bin);
    LaneProbe probe{lanes};
    const float sinTheta = std::sqrt(u * u + v * v);
    int flights = 0, escapes = 0;
    while (flights < count) {
        lanes.placeAll(Flight, binEnergy(bin), false);
        for (int l = 0; l < LaneBank::lanes; ++l) {
            bank->x[l] = x;
            bank->y[l] = y;
            bank->z[l] = z;
            bank->cosTheta[l] = w;
            bank->sinTheta[l] = sinTheta;
            bank->cosPhi[l] = u / sinTheta;
            bank->sinPhi[l] = v / sinTheta;
            // No absorption, and coherent scattering for every photon that stays inside.
            bank->photoelectric[l] = 0.0f;
            bank->upper[l] = 2.0f;
        }
        probe.fly();
        // Lanes that drew R1 = 0 did not fly; an escape ends the history.
        for (int l = 0; l < LaneBank::lanes && flights < count; ++l) {
            if (bank->stage[l] == Flight)
                continue;
            ++flights;
            escapes += bank->stage[l] == Empty;
        }
    }
    return escapes;
}

std::vector<lanetest::LanePhoton> RunStep(const TransportTables& t, IncoherentTable& table, int bin,
                                          lanetest::Stage stage,
                                          const std::vector<lanetest::LanePhoton>& photons,
                                          const std::vector<std::array<std::int32_t, 4>>& draws,
                                          bool inPlace, std::vector<lanetest::Escape>& escapes) {
    auto bank = std::make_unique<LaneBank>();
    LaneDraws laneDraws(*bank);
    laneDraws.seed(1, bin, 0);
    Lanes lanes(t, table, false, *bank, laneDraws, bin);
    LaneBank& b = *bank;
    for (int l = 0; l < LaneBank::lanes; ++l) {
        const lanetest::LanePhoton& p = photons[std::size_t(l)];
        b.stage[l] = std::int32_t(p.stage);
        b.E[l] = p.E;
        b.x[l] = p.x;
        b.y[l] = p.y;
        b.z[l] = p.z;
        b.cosTheta[l] = p.cosTheta;
        b.sinTheta[l] = p.sinTheta;
        b.cosPhi[l] = p.cosPhi;
        b.sinPhi[l] = p.sinPhi;
        b.total[l] = p.xs.total;
        b.photoelectric[l] = p.xs.photoelectric;
        b.upper[l] = p.xs.upper;
        b.eta[l] = p.eta;
        b.theta[l] = p.theta;
        b.cosS[l] = p.cosS;
        b.sinS[l] = p.sinS;
        b.scattered[l] = p.scattered;
        b.atBinEnergy[l] = p.atBinEnergy;
    }
    laneDraws.preset(draws, 4);
    LaneProbe probe{lanes};
    probe.step(Stage(stage), inPlace ? Layout::InPlace : Layout::Gathered,
               [&](float E, float x, float y, float z, float u, float v, float w) {
                   escapes.push_back({E, x, y, z, u, v, w});
               });
    std::vector<lanetest::LanePhoton> after(photons.size());
    for (int l = 0; l < LaneBank::lanes; ++l) {
        lanetest::LanePhoton& p = after[std::size_t(l)];
        p.stage = lanetest::Stage(b.stage[l]);
        p.E = b.E[l];
        p.x = b.x[l];
        p.y = b.y[l];
        p.z = b.z[l];
        p.cosTheta = b.cosTheta[l];
        p.sinTheta = b.sinTheta[l];
        p.cosPhi = b.cosPhi[l];
        p.sinPhi = b.sinPhi[l];
        p.xs = {b.total[l], b.photoelectric[l], b.upper[l]};
        p.eta = b.eta[l];
        p.theta = b.theta[l];
        p.cosS = b.cosS[l];
        p.sinS = b.sinS[l];
        p.scattered = b.scattered[l] != 0;
        p.atBinEnergy = b.atBinEnergy[l] != 0;
    }
    return after;
}

#endif // an instruction set with lanes

} // namespace HWY_NAMESPACE
} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

#if HWY_ARCH_X86
// The code of instruction set `set`.
#define QUENRO_LANE_FUNCTION(set, name)                                                            \
    ((set) == InstructionSet::Avx512 ? &N_AVX3::name                                               \
     : (set) == InstructionSet::Avx2 ? &N_AVX2::name                                               \
                                     : &N_SSE4::name)
#else
#define QUENRO_LANE_FUNCTION(set, name)                                                            \
    (throw std::logic_error("no lanes on this processor"), nullptr)
#endif

std::int64_t runChunkInLanes(InstructionSet set, const SimulationTables& tables,
                             IncoherentTable& firstIncoherent, bool tableFilled, LaneBank& bank,
                             PlaneTallies& tally, int bin, std::uint64_t runSeed,
                             std::int64_t chunk, std::int64_t count) {
    return QUENRO_LANE_FUNCTION(set, RunChunk)(tables, firstIncoherent, tableFilled, bank, tally,
                                               bin, runSeed, chunk, count);
}

void fillTableInLanes(InstructionSet set, const TransportTables& t, IncoherentTable& table,
                      int first, int stride) {
    QUENRO_LANE_FUNCTION(set, FillTable)(t, table, first, stride);
}

namespace lanetest {

std::vector<std::int32_t> laneValues(InstructionSet set, std::uint64_t runSeed, int bin,
                                     std::int64_t chunk, int lane, int count) {
    return QUENRO_LANE_FUNCTION(set, LaneValues)(runSeed, bin, chunk, lane, count);
}

void floatFunction(InstructionSet set, Function f, const std::vector<float>& x,
                   std::vector<float>& out) {
    QUENRO_LANE_FUNCTION(set, FloatFunction)(f, x, out);
}

Samples scatterings(InstructionSet set, const TransportTables& t, IncoherentTable& table,
                    Sampler sampler, float E, std::uint64_t seed, int count) {
    return QUENRO_LANE_FUNCTION(set, Scatterings)(t, table, sampler, E, seed, count);
}

std::vector<LanePhoton> runStep(InstructionSet set, const TransportTables& t,
                                IncoherentTable& table, int bin, Stage stage,
                                const std::vector<LanePhoton>& photons,
                                const std::vector<std::array<std::int32_t, 4>>& draws, bool inPlace,
                                std::vector<Escape>& escapes) {
    return QUENRO_LANE_FUNCTION(set, RunStep)(t, table, bin, stage, photons, draws, inPlace,
                                              escapes);
}

int firstFlightEscapes(InstructionSet set, const TransportTables& t, int bin, float x, float y,
                       float z, float u, float v, float w, std::uint64_t seed, int count) {
    return QUENRO_LANE_FUNCTION(set, FirstFlightEscapes)(t, bin, x, y, z, u, v, w, seed, count);
}

} // namespace lanetest

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
#endif // HWY_ONCE
