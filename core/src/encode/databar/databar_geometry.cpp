#include "../../assert.hpp"
#include "tavlo/encode_databar.hpp"

namespace tavlo {

MatrixGeometry databar_matrix(const DataBarSymbol& symbol) {
    MatrixGeometry matrix;
    matrix.width = std::uint32_t(symbol.rows.front().modules.size());
    for (const DataBarRow& row : symbol.rows) {
        TAVLO_ASSERT(row.modules.size() == matrix.width && row.height >= 1);
        for (std::uint32_t i = 0; i < row.height; ++i) {
            matrix.modules.insert(matrix.modules.end(), row.modules.begin(), row.modules.end());
        }
        matrix.height += row.height;
    }
    return matrix;
}

LinearGeometry databar_bars(const DataBarSymbol& symbol) {
    TAVLO_ASSERT(symbol.rows.size() == 1);
    return bars_from_modules(symbol.rows.front().modules);
}

}  // namespace tavlo
