#pragma once

#include "frameindex.h"
#include "mediafile.h"

#include <cstdint>
#include <vector>

// The keyframes of a file's video in seconds, counted as MediaFile counts (from the file's
// start), ascending: where a copied part can begin.
namespace Keyframes {

// From the frame index of the video stream: every keyframe.
std::vector<double> fromIndex(const FrameIndex &index, int64_t startTs, double timeBase);

// From the index the container's header carries (MP4, MOV, AVI, Matroska's cues), without
// reading the packets; empty where the container keeps none up front. Reads the stream's
// first packet, so file is no longer at its start.
std::vector<double> fromContainer(MediaFile &file);

// The keyframe nearest seconds; -1 when there is none.
int nearest(const std::vector<double> &keyframes, double seconds);

} // namespace Keyframes
