// Placement arithmetic of the link label and of dialogs centred over their owner: which way a
// link's text is aligned, how far its measured rectangle moves, where a centred window goes.
#pragma once

#include <cstdint>
#include <optional>

// A rectangle in screen or client coordinates; right and bottom lie just outside it.
struct PlaceRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct PlacePoint {
    int x = 0;
    int y = 0;
};

enum class LinkAlignment { Left, Center, Right };

// Static control style bits that choose the alignment; centring wins over right alignment.
inline constexpr std::uint32_t kStyleCenter = 0x1;
inline constexpr std::uint32_t kStyleRight = 0x2;

LinkAlignment linkAlignment(std::uint32_t windowStyle);

// How far the text rectangle measured at the client's left edge moves to the right so that it
// lies where the control draws its text: half the free width when centred (rounded toward zero),
// all of it when right-aligned, none when left-aligned.
int linkShift(LinkAlignment alignment, int clientRight, int measuredRight);

// Top-left corner of a window of `width` by `height` centred on `centreOn` (the work area when
// there is none) and then pushed back inside `workArea`, left and top edges first.
PlacePoint centredPosition(const std::optional<PlaceRect>& centreOn, const PlaceRect& workArea, int width,
                           int height);
