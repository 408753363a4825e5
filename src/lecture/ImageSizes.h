#pragma once

#include <array>
#include <cstdint>

// Image sizes behind the resolution list, indexed by the list position. Row 0 ("Custom") holds
// the custom width and height as the user types them; the presets are the screen sizes less the
// window frame (24 pixels in width, 68 in height).
struct ImageSizes {
    struct Size {
        int16_t width;
        int16_t height;
    };
    std::array<Size, 6> rows{
        {{0, 0}, {616, 412}, {776, 532}, {1000, 700}, {1256, 956}, {1576, 1132}}};

    static constexpr std::array<const char*, 6> names{"Custom", "VGA",  "SVGA",
                                                      "XGA",    "SXGA", "1600x1200"};
};
