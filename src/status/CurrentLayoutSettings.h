#pragma once

#include <array>
#include <cstdint>

// The current layout's numbers, handed by value to the Status tab.
struct CurrentLayoutSettings {
    float aspect = 4.0f / 3.0f;
    float breakoutHeight = 0;
    int32_t breakoutNumColumns = 0;
    int32_t thumbHeight = 0;
    int32_t numColumns = 1;
    bool showSelectedServerOnly = false;
    std::array<int32_t, 100> showSelectedServerOrdering{};
    float hud_height = 0;
};
