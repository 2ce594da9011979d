#include "datamatrix_reed_solomon.hpp"

#include "../../assert.hpp"
#include "../shared/reed_solomon.hpp"

namespace tavlo::datamatrix {
namespace {

constexpr reed_solomon::Field field{301};
constexpr unsigned first_root = 1;

}  // namespace

void append_error_correction(std::vector<std::uint8_t>& codewords, const SymbolSize& size) {
    const std::size_t data = size.data_codewords;
    const std::size_t blocks = size.blocks;
    TAVLO_ASSERT(codewords.size() == data);
    const reed_solomon::Encoder code(field, size.block_ecc, first_root);
    codewords.resize(std::size_t(size.total_codewords()), 0);
    for (std::size_t block = 0; block < blocks; ++block) {
        // Data codeword i belongs to block i % blocks; check codeword k of the block sits at data + k * blocks.
        const std::size_t length = (data - block + blocks - 1) / blocks;
        code.remainder(&codewords[block], length, blocks, &codewords[data + block], blocks);
    }
}

}  // namespace tavlo::datamatrix
