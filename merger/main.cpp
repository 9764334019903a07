// quenro-3: merges the result file named in FLname.txt into F2B.dat in the
// working folder.
#include "merge.h"

#include <iostream>

int main() {
    return merger::runMerge(".", std::cout, std::cerr);
}
