#include "engine/values.h"

#include <algorithm>
#include <cstdlib>

namespace orbel {

Outcome OutcomeOf(Tenths value) {
    if (value >= kDecidedValue) return Outcome::Won;
    if (value <= -kDecidedValue) return Outcome::Lost;
    return Outcome::Open;
}

std::string FormatTenths(Tenths value) {
    const Tenths magnitude = std::abs(value);
    std::string text = value < 0 ? "-" : "";
    return text.append(std::to_string(magnitude / 10))
        .append(".")
        .append(std::to_string(magnitude % 10));
}

std::string ValueText(Tenths value) {
    switch (OutcomeOf(value)) {
        case Outcome::Won:
            return "won";
        case Outcome::Lost:
            return "lost";
        case Outcome::Open:
            break;
    }
    const std::string sign = value > 0 ? "+" : "";
    return sign + FormatTenths(value);
}

Tenths CappedValue(Tenths value) {
    switch (OutcomeOf(value)) {
        case Outcome::Won:
            return kValueCap;
        case Outcome::Lost:
            return -kValueCap;
        case Outcome::Open:
            break;
    }
    return std::clamp(value, -kValueCap, kValueCap);
}

Tenths SteadyValue(Tenths deeper, Tenths shallower) {
    if (OutcomeOf(deeper) != Outcome::Open) return deeper;
    const Tenths counted =
        OutcomeOf(shallower) == Outcome::Open ? shallower : CappedValue(shallower);
    return (deeper + counted) / 2;
}

int MovesToEnd(Tenths value, int firstLevel) {
    switch (OutcomeOf(value)) {
        case Outcome::Won:
            return (firstLevel + 1) / 2;
        case Outcome::Lost:
            return firstLevel / 2;
        case Outcome::Open:
            break;
    }
    return 0;
}

std::string EndText(Tenths value, int firstLevel) {
    const int moves = MovesToEnd(value, firstLevel);
    if (OutcomeOf(value) == Outcome::Won) return "wins in " + std::to_string(moves);
    return moves == 0 ? "loses at once" : "loses in " + std::to_string(moves);
}

}  // namespace orbel
