#pragma once
// Where a window of a given size goes so that it is centred on the screen.

namespace orvo {

struct Origin {
    int left;
    int top;
};

// Signed division truncated toward zero: a window larger than the screen gets a negative origin.
constexpr Origin CentredOrigin(int screen_width, int screen_height, int width, int height) {
    return {(screen_width - width) / 2, (screen_height - height) / 2};
}

}  // namespace orvo
