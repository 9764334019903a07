// float-math-check: compares the engine's own float functions with the C
// library's for every one of the 2^32 float arguments and prints how many
// differ (and the first few). On Debian 12 on an x86-64 machine with FMA none
// may differ; elsewhere the count shows how far the C library's results would
// have moved a result file. Takes about three minutes.
//   float-math-check [atan|exp|log|sin|sincos ...]
#include "float_math.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

namespace fm = quenro::floatmath;

// The C library's functions, called through pointers so that the compiler
// neither folds nor replaces them.
float (*volatile libraryAtan)(float) = ::atanf;
float (*volatile libraryExp)(float) = ::expf;
float (*volatile libraryLog)(float) = ::logf;
float (*volatile librarySin)(float) = ::sinf;
float (*volatile libraryCos)(float) = ::cosf;

std::uint32_t bitsOf(float x) {
    return std::bit_cast<std::uint32_t>(x);
}

template <class Compare> std::uint64_t checkAll(const char* name, Compare differs) {
    std::uint64_t mismatches = 0;
    for (std::uint64_t b = 0; b <= 0xffffffffull; ++b) {
        const float x = std::bit_cast<float>(static_cast<std::uint32_t>(b));
        std::uint64_t mine = 0, library = 0;
        if (differs(x, mine, library)) {
            if (mismatches < 5)
                std::printf("  %s(%08x): %llx here, %llx in the C library\n", name,
                            static_cast<unsigned>(b), static_cast<unsigned long long>(mine),
                            static_cast<unsigned long long>(library));
            ++mismatches;
        }
    }
    std::printf("%-7s %llu of 4294967296 arguments differ\n", name,
                static_cast<unsigned long long>(mismatches));
    std::fflush(stdout);
    return mismatches;
}

template <class Mine, class Library> auto unary(Mine mine, Library library) {
    return [=](float x, std::uint64_t& m, std::uint64_t& l) {
        m = bitsOf(mine(x));
        l = bitsOf(library(x));
        return m != l;
    };
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> names;
    for (int i = 1; i < argc; ++i)
        names.emplace_back(argv[i]);
    if (names.empty())
        names = {"atan", "exp", "log", "sin", "sincos"};
    std::uint64_t total = 0;
    for (const std::string& name : names) {
        if (name == "atan")
            total += checkAll("atan", unary(fm::atan, [](float x) { return libraryAtan(x); }));
        else if (name == "exp")
            total += checkAll("exp", unary(fm::exp, [](float x) { return libraryExp(x); }));
        else if (name == "log")
            total += checkAll("log", unary(fm::log, [](float x) { return libraryLog(x); }));
        else if (name == "sin")
            total += checkAll("sin", unary(fm::sin, [](float x) { return librarySin(x); }));
        else if (name == "sincos")
            total += checkAll("sincos", [](float x, std::uint64_t& m, std::uint64_t& l) {
                // Sine in the high, cosine in the low 32 bits.
                const fm::SinCos mine = fm::sincos(x);
                m = std::uint64_t{bitsOf(mine.sine)} << 32 | bitsOf(mine.cosine);
                l = std::uint64_t{bitsOf(librarySin(x))} << 32 | bitsOf(libraryCos(x));
                return m != l;
            });
        else {
            std::fprintf(stderr, "unknown function %s (atan, exp, log, sin, sincos)\n",
                         name.c_str());
            return 2;
        }
    }
    return total == 0 ? 0 : 1;
}
