// Result merger (placeholder until the resampling lands).
#include <iostream>

int main()
{
    std::cout << "Stop - Program terminated.\n";
    return 0;
}
