#pragma once

#include <vector>

// The break finder's thresholds and findings as plain values, for the settings, the window and
// the preview engine alike: none of them needs the decoding libraries to hold them.

// What counts as black, silent or a new scene. The defaults are what the settings file holds
// until the user changes it there.
struct BreakThresholds
{
    double blackSeconds = 0.1;   // the shortest black stretch
    double blackPixel = 0.10;    // a pixel is dark under this share of the luma range
    double blackPicture = 0.98;  // a picture is black when this share of its pixels is dark
    double silenceDb = -50.0;    // every sound track's mix stays under this
    double silenceSeconds = 0.3; // the shortest silent stretch
    double sceneChange = 0.10;   // mean luma difference (0..1) to the frame before that makes a new scene
    bool operator==(const BreakThresholds &) const = default;
};

// Frames first..last (presentation order, 0 the first frame), start the first's time, end the
// time of the frame after the last: where the picture comes back.
struct FrameSpan
{
    int first = 0;
    int last = 0;
    double start = 0.0;
    double end = 0.0;
    bool operator==(const FrameSpan &) const = default;
};

struct TimeSpan
{
    double start = 0.0;
    double end = 0.0;
};

// The first frame of a new scene.
struct SceneChange
{
    int frame = 0;
    double seconds = 0.0;
    double score = 0.0;
};

// One scan's findings; times in seconds counted as MediaFile counts (from the file's start).
struct BreakScan
{
    std::vector<FrameSpan> black;
    std::vector<TimeSpan> silence;
    std::vector<FrameSpan> breaks; // black stretches that meet a silent one
    std::vector<SceneChange> scenes;
    int frames = 0;        // video frames read
    bool damaged = false;  // a read error ended the scan before the end of the file
};
