#include "rmqr_tables.hpp"

#include <algorithm>

namespace tavlo::rmqr {
namespace {

constexpr Size table[32] = {
    // h   w   total  data M, H   blocks M, H  count bits N, A, B
    {7,  43,  13,  {6, 3},     {1, 1}, {4, 3, 3}},
    {7,  59,  21,  {12, 7},    {1, 1}, {5, 5, 4}},
    {7,  77,  32,  {20, 10},   {1, 1}, {6, 5, 5}},
    {7,  99,  44,  {28, 14},   {1, 1}, {7, 6, 5}},
    {7,  139, 68,  {44, 24},   {1, 2}, {7, 6, 6}},
    {9,  43,  21,  {12, 7},    {1, 1}, {5, 5, 4}},
    {9,  59,  33,  {21, 11},   {1, 1}, {6, 5, 5}},
    {9,  77,  49,  {31, 17},   {1, 2}, {7, 6, 5}},
    {9,  99,  66,  {42, 22},   {1, 2}, {7, 6, 6}},
    {9,  139, 99,  {63, 33},   {2, 3}, {8, 7, 6}},
    {11, 27,  15,  {7, 5},     {1, 1}, {4, 4, 3}},
    {11, 43,  31,  {19, 11},   {1, 1}, {6, 5, 5}},
    {11, 59,  47,  {31, 15},   {1, 2}, {7, 6, 5}},
    {11, 77,  67,  {43, 23},   {1, 2}, {7, 6, 6}},
    {11, 99,  89,  {57, 29},   {2, 2}, {8, 7, 6}},
    {11, 139, 132, {84, 42},   {2, 3}, {8, 7, 7}},
    {13, 27,  21,  {12, 7},    {1, 1}, {5, 5, 4}},
    {13, 43,  41,  {27, 13},   {1, 1}, {6, 6, 5}},
    {13, 59,  60,  {38, 20},   {1, 2}, {7, 6, 6}},
    {13, 77,  85,  {53, 29},   {2, 2}, {7, 7, 6}},  // 7-bit numeric count (ISO/IEC 23941:2022)
    {13, 99,  113, {73, 35},   {2, 3}, {8, 7, 7}},
    {13, 139, 166, {106, 54},  {3, 4}, {8, 8, 7}},
    {15, 43,  51,  {33, 15},   {1, 2}, {7, 6, 6}},
    {15, 59,  74,  {48, 26},   {1, 2}, {7, 7, 6}},
    {15, 77,  103, {67, 31},   {2, 3}, {8, 7, 7}},
    {15, 99,  136, {88, 48},   {2, 4}, {8, 7, 7}},
    {15, 139, 199, {127, 69},  {3, 5}, {9, 8, 7}},
    {17, 43,  61,  {39, 21},   {1, 2}, {7, 6, 6}},
    {17, 59,  88,  {56, 28},   {2, 2}, {8, 7, 6}},
    {17, 77,  122, {78, 38},   {2, 3}, {8, 7, 7}},
    {17, 99,  160, {100, 56},  {3, 4}, {8, 8, 7}},
    {17, 139, 232, {152, 76},  {4, 6}, {9, 8, 8}},
};

constexpr std::array<std::uint8_t, 32> order_by_area(bool high) {
    std::array<std::uint8_t, 32> order{};
    for (std::uint8_t i = 0; i < 32; ++i) order[i] = i;
    const auto area = [](const Size& s) { return unsigned(s.height) * s.width; };
    // Of equal area and data, the lower index first.
    std::ranges::sort(order, [&](std::uint8_t a, std::uint8_t b) {
        const Size &x = table[a], &y = table[b];
        if (area(x) != area(y)) return area(x) < area(y);
        return x.data[high] != y.data[high] ? x.data[high] > y.data[high] : a < b;
    });
    return order;
}
constexpr std::array<std::array<std::uint8_t, 32>, 2> orders = {order_by_area(false), order_by_area(true)};

constexpr std::uint8_t columns_43[] = {21};
constexpr std::uint8_t columns_59[] = {19, 39};
constexpr std::uint8_t columns_77[] = {25, 51};
constexpr std::uint8_t columns_99[] = {23, 49, 75};
constexpr std::uint8_t columns_139[] = {27, 55, 83, 111};

}  // namespace

std::span<const Size> sizes() { return table; }

std::span<const std::uint8_t, 32> by_area(bool high) { return orders[high]; }

std::span<const std::uint8_t> alignment_columns(unsigned width) {
    switch (width) {
    case 43: return columns_43;
    case 59: return columns_59;
    case 77: return columns_77;
    case 99: return columns_99;
    case 139: return columns_139;
    default: return {};
    }
}

}  // namespace tavlo::rmqr
