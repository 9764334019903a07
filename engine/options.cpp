#include "options.h"

#include <textrec/exchange_files.h>

#include <charconv>
#include <ostream>
#include <string>
#include <thread>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

int hardwareThreads() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(std::min(n, 1024u));
}

namespace {

// The instruction sets this processor has, as --instruction-set names them.
std::string availableSets() {
    std::string names;
    for (InstructionSet set : instructionSets) {
        if (!processorHas(set))
            continue;
        names += (names.empty() ? "" : ", ") + std::string(instructionSetName(set));
    }
    return names.empty() ? "none" : names;
}

// A whole decimal number, nothing else.
template <class T> std::optional<T> wholeNumber(const std::string& text) {
    T value{};
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<EngineOptions> parseArguments(const std::vector<std::string>& arguments,
                                            std::ostream& err) {
    EngineOptions options;
    options.run.threads = hardwareThreads();
    bool threadsGiven = false, seedGiven = false;
    for (std::size_t n = 0; n < arguments.size(); ++n) {
        const std::string& a = arguments[n];
        auto value = [&]() -> std::optional<std::string> {
            if (n + 1 >= arguments.size()) {
                err << a << " needs a value" << std::endl;
                return std::nullopt;
            }
            return arguments[++n];
        };
        if (a == "--help" || a == "-h") {
            options.help = true;
        } else if (a == "--single-stream") {
            options.run.singleStream = true;
        } else if (a == "--scalar") {
            options.run.scalar = true;
        } else if (a == "--instruction-set") {
            const auto text = value();
            if (!text)
                return std::nullopt;
            const auto set = instructionSetNamed(*text);
            if (!set) {
                err << "--instruction-set takes sse4, avx2 or avx512, not \"" << *text << "\""
                    << std::endl;
                return std::nullopt;
            }
            if (!processorHas(*set)) {
                err << "this processor has no " << *text << " instructions (it has "
                    << availableSets() << ")" << std::endl;
                return std::nullopt;
            }
            options.run.instructionSet = set;
        } else if (a == "--threads") {
            const auto text = value();
            if (!text)
                return std::nullopt;
            const auto threads = wholeNumber<int>(*text);
            if (!threads || *threads < 1 || *threads > 1024) {
                err << "--threads takes a whole number from 1 to 1024, not \"" << *text << "\""
                    << std::endl;
                return std::nullopt;
            }
            options.run.threads = *threads;
            threadsGiven = true;
        } else if (a == "--seed") {
            const auto text = value();
            if (!text)
                return std::nullopt;
            const auto seed = wholeNumber<std::uint64_t>(*text);
            if (!seed) {
                err << "--seed takes a whole number from 0 to 18446744073709551615, not \"" << *text
                    << "\"" << std::endl;
                return std::nullopt;
            }
            options.run.seed = *seed;
            seedGiven = true;
        } else {
            err << "unknown argument \"" << a << "\" (--help lists the arguments)" << std::endl;
            return std::nullopt;
        }
    }
    if (options.run.instructionSet && (options.run.scalar || options.run.singleStream)) {
        err << "--instruction-set chooses the default run's lanes; it cannot be given with "
            << (options.run.scalar ? "--scalar" : "--single-stream") << std::endl;
        return std::nullopt;
    }
    if (options.run.scalar && options.run.singleStream) {
        err << "--scalar and --single-stream are two different runs; give one of them" << std::endl;
        return std::nullopt;
    }
    if (options.run.singleStream) {
        if (seedGiven) {
            err << "--single-stream has one fixed seed; --seed cannot be given with it"
                << std::endl;
            return std::nullopt;
        }
        if (threadsGiven && options.run.threads != 1) {
            err << "--single-stream runs on one thread; --threads cannot be more than 1 with it"
                << std::endl;
            return std::nullopt;
        }
        options.run.threads = 1;
    }
    return options;
}

namespace {

std::string widestName() {
    const auto widest = widestInstructionSet();
    return widest ? std::string(instructionSetName(*widest)) : "none (the scalar run)";
}

} // namespace

std::string usageText(const std::string& program) {
    namespace exchange = textrec::exchange;
    return "Usage: " + program +
           " [--threads N] [--seed S] [--instruction-set SET | --scalar | --single-stream]\n"
           "\n"
           "Reads " +
           exchange::crossSectionFile + ", " + exchange::airAbsorptionFile + ", " +
           exchange::kermaToDoseFile + ", " + exchange::jobFile + " and " + exchange::spectrumFile +
           " in the current\n"
           "folder, waits for Enter, follows the photon histories and writes the result file\n"
           "named in " +
           exchange::jobFile +
           " and, beside it, the relative standard error of every cell in\n"
           "the same name with \"" +
           exchange::uncertaintySuffix +
           "\" appended.\n"
           "\n"
           "  --threads N      threads to run on (default: every hardware thread, here " +
           std::to_string(hardwareThreads()) +
           ").\n"
           "                   The result does not depend on it.\n"
           "  --seed S         run seed, a whole number (default " +
           std::to_string(defaultRunSeed) +
           "); another seed repeats\n"
           "                   the run with independent histories.\n"
           "  --instruction-set SET\n"
           "                   the vectors in whose lanes the histories run: sse4 (4\n"
           "                   floats), avx2 (8) or avx512 (16); default: the widest\n"
           "                   this processor has, here " +
           widestName() +
           ". One set gives the same\n"
           "                   result on every machine that has it; avx2 and avx512\n"
           "                   give the same result.\n"
           "  --scalar         the default run with each chunk's histories one after\n"
           "                   another instead of in lanes: slower, with other random\n"
           "                   numbers and the same physics.\n"
           "  --single-stream  the algorithm exactly as first written, to check the engine\n"
           "                   against it: one generator stream with its fixed seed, one\n"
           "                   thread, and the phantom as first written, whose rounded\n"
           "                   sides have no ends and whose side entries keep the azimuth\n"
           "                   of the field point (directions that are not unit vectors).\n"
           "                   The default run ends the rounded sides at the phantom's\n"
           "                   length and starts every photon along the ray from the focus.\n"
           "  --help           this text.\n";
}

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
