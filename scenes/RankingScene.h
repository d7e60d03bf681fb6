#pragma once
// After each game (whose end has ranked and saved its score): a "finish" banner slides across,
// then the eight best scores slide in from the right. Space, or a long wait, returns to the title.
#include <memory>

#include "scene/Scene.h"

struct Surface;
struct ModelField;

struct RankingBoard {
    int score = 0;      // the game just played
    int slideIn = 300;  // shrinks by 2 per tick; moves the rows in from the right

    explicit RankingBoard(int score_) : score(score_) {}
};

void DrawRankingBoard(const RankingBoard& board);

inline constexpr int kBannerStart = 3200;
inline constexpr int kBannerEnd = 3050;     // the board shows from here down
inline constexpr int kBannerSkipLimit = 3155;

// One tick of the banner timer; true when the scene should end. Space in the first 45 ticks
// skips the rest of the banner, any later press ends the scene, and so does running out.
bool StepBannerTimer(int& bannerTimer, bool spaceNewlyPressed);

// Left edge of the banner of width w: off the right edge at the start, past the left at the end.
int BannerX(int w, int windowWidth, int bannerTimer);

// Shrinks slideIn by one frame's worth (the scene slides it once a tick while the board shows).
void SlideBoard(RankingBoard& board);

// Left edge of ranked row i (its value digits start 72 further right; the rank sits 72 left).
int BoardRowX(int slideIn, int windowWidth, int i);
int BoardRowY(int i);
int BoardTitleX(int windowWidth);

// On the board: Up and Down choose a place, r (a pad's left face button) asks to watch its run.
// The tick that read it leaves the place (1..8) here for the game to act on; 0 otherwise.
extern int rankedRunAsked;

// The place chosen after one tick's Up (-1), Down (+1) or neither: it stays on the board.
int ChoosePlace(int chosen, int step);

class RankingScene : public Scene {
public:
    RankingScene(std::shared_ptr<SceneContext> context, Surface* surface, ModelField* field,
                 int score, int angle);
    ~RankingScene() override;

    void Init() override;
    void Update() override;
    void Draw() override;
    Scene* NextScene() override;
    void Check(SceneCheck& check) const override;

    Surface* surface = nullptr;
    ModelField* field = nullptr;
    RankingBoard* board = nullptr;
    int angle = 0;
    int bannerTimer = kBannerStart;
    int chosen = 0;  // the place whose run r plays, 0 for the first; the marker shows it

    static float orbitSpeed;
};
