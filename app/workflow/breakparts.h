#pragma once

#include "breakmarks.h"

#include <vector>

// A part of the video between two breaks, in seconds: from the first frame after one break's
// black to the first black frame of the next.
struct BreakPart
{
    double start = 0.0;
    double end = 0.0;
    bool operator==(const BreakPart &) const = default;
};

// The parts between consecutive breaks, in order; none with fewer than two breaks. Breaks
// that overlap or touch leave no part between them.
std::vector<BreakPart> partsBetweenBreaks(const std::vector<FrameSpan> &breaks);
