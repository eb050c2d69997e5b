#include "tools/review.h"

#include "engine/move_rules.h"
#include "engine/values.h"

namespace orbel {

std::string ReviewedMoveJson(const ReviewedMove& move, int level) {
    std::string json =
        "{\"move\":" + std::to_string(move.moveNumber) + ",\"side\":" + std::to_string(move.side) +
        ",\"code\":" + std::to_string(move.code) + ",\"cell\":" + std::to_string(move.placed) +
        ",\"direction\":" + std::to_string(DirectionOf(move.code)) +
        ",\"moved\":" + std::to_string(move.moved) + ",\"level\":" + std::to_string(level) +
        ",\"value\":" + FormatTenths(move.value) +
        ",\"best_value\":" + FormatTenths(move.best.value) + ",\"best\":[";
    for (int i = 0; i < move.best.count; ++i) {
        if (i > 0) json += ',';
        json += std::to_string(move.best.codes[i]);
    }
    return json + "],\"steady_value\":" + FormatTenths(move.steadyValue) +
           ",\"steady_best\":" + FormatTenths(move.steadyBest) +
           ",\"loss\":" + FormatTenths(move.loss) + "}";
}

}  // namespace orbel
