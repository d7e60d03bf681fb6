#pragma once
// The corner label while a ranked run is watched: "REPLAY" in gold, then its pace in pale letters
// ("1/2x", "2x", "4x", or "PAUSED"; nothing after it at normal speed), at the pictures' own size in
// the bottom right corner, clear of the score, the time, the banner and the sound overlay.

// The pace picture after "REPLAY" for a pace given as the run's ticks per two frames (0 paused,
// 1 half, 2 normal, 4 double, 8 four times); null at normal speed.
const char* ReplayPacePicture(int pace);

struct ReplayLabelLayout {
    int labelX = 0, labelY = 0;
    int paceX = 0, paceY = 0;
};

// Where the two pictures go in a window: the word, then the pace picture (0 wide for none) right
// after it, the pair a margin in from the bottom right corner.
ReplayLabelLayout LayoutReplayLabel(int windowWidth, int windowHeight, int labelWidth, int labelHeight,
                                    int paceWidth);

void DrawReplayLabel(int pace);
