// Monte Carlo engine (placeholder until the transport lands): prints its title.
#include <iostream>

#ifndef QUENRO_GEOMETRY
#error "QUENRO_GEOMETRY must be 1 (lying) or 2 (standing)"
#endif

constexpr int geometryCode = QUENRO_GEOMETRY;

int main()
{
    std::cout << "\n\n      ***  モンテカルロシミュレーション  ***\n\n"
              << "            Ｘ線透視室内の散乱線分布\n"
              << (geometryCode == 1 ? "            仰臥位（Ｘ線：上→下方向）\n"
                                    : "              立位（Ｘ線：水平方向）\n");
    return 0;
}
