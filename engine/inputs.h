// The five input files of the engine and the tables built from them.
#pragma once

#include "geometry.h"

#include <textrec/exchange_files.h>
#include <textrec/planes.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

inline constexpr int maxCrossSectionRows = 25;
inline constexpr int formFactorRows = 45;
inline constexpr int spectrumBins = 300;
inline constexpr int airAbsorptionRows = 300;
inline constexpr int kermaToDoseRows = 1001;

// ICRU soft tissue interaction coefficients (used as linear coefficients, 1/cm).
struct CrossSectionTable {
    std::int32_t rowCount = 0;
    float density = 0;                               // read, not used
    std::array<float, maxCrossSectionRows> energy{}; // keV (the file holds MeV)
    std::array<float, maxCrossSectionRows> coherent{};
    std::array<float, maxCrossSectionRows> incoherent{};
    std::array<float, maxCrossSectionRows> photoelectric{};
};

// Momentum transfer x = sin(theta/2)/lambda (1/Angstrom), the cumulative
// coherent distribution A(x) and the incoherent scattering function S(x).
struct FormFactorTable {
    std::array<float, formFactorRows> x{};
    std::array<float, formFactorRows> cumulativeCoherent{};
    std::array<float, formFactorRows> incoherentFunction{};
};

// Mass energy-absorption coefficient of air; element r-1 is the value at 0.5 r keV.
struct AirAbsorptionTable {
    std::array<float, airAbsorptionRows> mu{};
};

// Air kerma to dose equivalent, Sv/Gy, against energy in keV (ascending).
struct KermaToDoseTable {
    std::array<float, kermaToDoseRows> energy{};
    std::array<float, kermaToDoseRows> coefficient{};
};

struct JobParameters {
    float kermaRateAt100cm = 0;
    float focusSkinDistance = 0;
    float fieldLength = 0;
    float fieldWidth = 0;
    float photonCount = 0;
    std::string resultFileName;
    // The lines after line 6 (textrec/planes.h): maps at heights above the
    // floor, the vertical section, the tube below the table. None in a
    // six-line job.
    std::optional<textrec::planes::PlaneRequest> planes;
};

// The patient's position this engine maps, as the plane request knows it.
inline constexpr textrec::planes::Position patientPosition =
    geometryCode == 1 ? textrec::planes::Position::Lying : textrec::planes::Position::Standing;

// Bin k (1..300, element k-1) stands for 0.5 k keV. After loading the weights
// are normalised to sum to 1.
struct SpectrumTable {
    std::array<float, spectrumBins> weight{};
    std::array<float, 7> spectrumInfo{};
    std::int32_t highestBin = 0;
};

struct EngineInputs {
    CrossSectionTable crossSections;
    FormFactorTable formFactors;
    AirAbsorptionTable airAbsorption;
    KermaToDoseTable kermaToDose;
    JobParameters job;
    SpectrumTable spectrum;
};

// Readers of the single files. Each throws textrec::InputError naming the file
// (and the line, where there is one) when the file is missing, short, holds an
// unreadable number or breaks a limit of its own table.
void readCrossSectionFile(const std::filesystem::path& path, CrossSectionTable& crossSections,
                          FormFactorTable& formFactors);
AirAbsorptionTable readAirAbsorptionFile(const std::filesystem::path& path);
KermaToDoseTable readKermaToDoseFile(const std::filesystem::path& path);
JobParameters readJobFile(const std::filesystem::path& path);
// Reads the weights and the trailer, finds highestBin and normalises.
SpectrumTable readSpectrumFile(const std::filesystem::path& path);

// Start-up loading in its order (ICRUSoft.dat, Air.eac, Ak2Sv.dat, B2F.txt,
// B_SPCTL.dat), then the checks that need several files: the tables must
// bracket the energies that the transport and the scorer meet.
EngineInputs loadInputs(const std::filesystem::path& folder);
void checkInputsAgree(const EngineInputs& inputs);

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
