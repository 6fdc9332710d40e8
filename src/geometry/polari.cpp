#include "geometry/polari.h"

#include <cmath>

namespace wiper {

void polari(const double& x0, const double& y0, const double& x1t, const double& y1, double& angolo, double& modulo) {
    constexpr double nudge = 0.00001;
    double x1 = x1t;
    if (std::fabs(x0 - x1t) < nudge) x1 = x1t - nudge;
    double a = std::atan((y0 - y1) / (x0 - x1));
    // arctan only covers a half turn; a point left of the pivot lies in the other half.
    if (x0 - x1 > 0) a = a + half_turn;
    angolo = a;
    modulo = std::sqrt(std::pow(y0 - y1, 2.0) + std::pow(x0 - x1, 2.0));
}

} // namespace wiper
