#include "breakparts.h"

#include <cstddef>

std::vector<BreakPart> partsBetweenBreaks(const std::vector<FrameSpan> &breaks)
{
    std::vector<BreakPart> parts;
    for (std::size_t i = 1; i < breaks.size(); ++i) {
        const BreakPart part{breaks[i - 1].end, breaks[i].start};
        if (part.end > part.start)
            parts.push_back(part);
    }
    return parts;
}
