// Monte Carlo engine: scattered dose around the phantom in the lying
// (Quenro-11) or standing (Quenro-22) geometry. Reads its inputs from the
// working folder and writes the result file named in B2F.txt.
#include "run.h"

#include <iostream>

int main() {
    return quenro::runEngine(std::cin, std::cout, std::cerr, ".");
}
