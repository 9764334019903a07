// Monte Carlo engine: scattered dose around the phantom in the lying
// (Quenro-11) or standing (Quenro-22) geometry. Reads its inputs from the
// working folder and writes the result file named in B2F.txt.
#include "options.h"
#include "run.h"

#include <textrec/textrec.h>

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    textrec::useUtf8Console();
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const auto options = quenro::parseArguments(arguments, std::cerr);
    if (!options)
        return 2;
    if (options->help) {
        std::cout << quenro::usageText(argc > 0 ? argv[0] : "engine");
        return 0;
    }
    return quenro::runEngine(std::cin, std::cout, std::cerr, ".", options->run);
}
