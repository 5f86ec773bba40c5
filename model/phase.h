#pragma once

#include <numbers>

// Radians for whole degrees, computed in extended precision before it is stored. Every command
// that stores a phase given in degrees goes through here, so equal degrees give equal bits.
inline double Radians(int degrees)
{
    return double(static_cast<long double>(degrees) * std::numbers::pi_v<long double> / 180);
}
