// quenro-3: merges the result file named in FLname.txt into F2B.dat in the
// working folder.
#include "merge.h"

#include <textrec/textrec.h>

#include <iostream>

int main() {
    textrec::useUtf8Console();
    return merger::runMerge(".", std::cout, std::cerr);
}
