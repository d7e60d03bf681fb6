#include "scenes/RankingScene.h"

#include <GL/glew.h>

#include <algorithm>
#include <array>

#include "input/Input.h"
#include "mesh/Field.h"
#include "platform/GlContext.h"
#include "render/Camera.h"
#include "render/DrawingArea.h"
#include "render/MeshDraw.h"
#include "render/Registry.h"
#include "render/Shader.h"
#include "render/Sprite.h"
#include "scenes/Hud.h"
#include "scenes/Orbit.h"
#include "scenes/RankingFile.h"
#include "scenes/ResourceNames.h"
#include "scenes/TitleScene.h"

float RankingScene::orbitSpeed = 0.0f;
int rankedRunAsked = 0;

int ChoosePlace(int chosen, int step) { return std::clamp(chosen + step, 0, kRankingSlots - 1); }

bool StepBannerTimer(int& bannerTimer, bool spaceNewlyPressed) {
    if (!spaceNewlyPressed) {
        const int before = bannerTimer;
        bannerTimer -= 1;
        if (before != 0) return false;
    }
    const bool ends = bannerTimer < kBannerSkipLimit;
    bannerTimer -= 45;
    return ends;
}

int BannerX(int w, int windowWidth, int bannerTimer) {
    return ((w + windowWidth) * (bannerTimer - kBannerEnd)) / 150 - w;
}

void SlideBoard(RankingBoard& board) {
    if (board.slideIn > 0) board.slideIn -= 2;
}

int BoardRowX(int slideIn, int windowWidth, int i) {
    const int sliding = static_cast<int>(slideIn * 20 - windowWidth * 1.5 + 300 * i);
    const int column = static_cast<int>(windowWidth / 1.5);
    return std::max(sliding, column);
}

int BoardRowY(int i) { return 100 + 100 * i; }

int BoardTitleX(int windowWidth) { return static_cast<int>(windowWidth / 1.7); }

void DrawRankingBoard(const RankingBoard& board) {
    if (Texture* title = DrawableTexture(kRankingTextureName)) {
        DrawSpriteCell(title, 1, 1, BoardTitleX(windowWidth), 0, 3.0f, 3.0f);
    }
    if (Texture* digits = DrawableTexture("score_num")) {
        for (int i = 0; i < 8; ++i) {
            const int x = BoardRowX(board.slideIn, windowWidth, i);
            const int y = BoardRowY(i);
            DrawSpriteCell(digits, 0, 9 - i, x - 72, y, 3.0f, 3.0f);  // rank i + 1
            // Each row reads like the score display: thousands, hundreds, tens, units.
            const std::array<int, 4> quotients = LayoutScore(RankingTable[i]).quotients;
            for (int d = 0; d < 4; ++d) {
                DrawSpriteCell(digits, 0, DigitCell(quotients[d]), x + 72 * (d + 1), y, 3.0f, 3.0f);
            }
        }
    }
    DrawScore(board.score);
}

RankingScene::RankingScene(std::shared_ptr<SceneContext> context, Surface* surface_,
                           ModelField* field_, int score, int angle_)
    : Scene(std::move(context)), surface(surface_), field(field_), angle(angle_) {
    bannerTimer = kBannerStart;
    board = new RankingBoard(score);
}

RankingScene::~RankingScene() { delete board; }

void RankingScene::Init() {
    Registry<Camera>().Create("MyCamera");
    Registry<ShaderProgram>().Create("Shader");
}

void RankingScene::Update() {
    if (EscapeCheck()) return;
    UpdateOrbit(orbitSpeed, angle);
    if (StepBannerTimer(bannerTimer, KeyNewlyPressed(' '))) finished = true;
    // The rows slide in as the board shows: by the tick, not by the drawing, so a window redrawn
    // more or less often shows the same board.
    if (bannerTimer <= kBannerEnd) {
        SlideBoard(*board);
        chosen = ChoosePlace(chosen, ArrowNewlyPressed(ArrowDown) - ArrowNewlyPressed(ArrowUp));
        if (KeyNewlyPressed('r')) rankedRunAsked = chosen + 1;
    }
    StepRestingStream(*surface, *field);
}

void RankingScene::Draw() {
    DrawStream(angle, *surface, *field);

    if (bannerTimer > kBannerEnd) {
        if (Texture* banner = DrawableTexture("finish")) {
            DrawSpriteScaled(banner, BannerX(banner->width, windowWidth, bannerTimer), 100, 1.0f,
                             2.0f);
        }
        return;
    }
    if (Texture* prompt = DrawableTexture("pressspace")) {
        DrawSpriteScaled(prompt, windowWidth / 2 - prompt->width,
                         windowHeight - 2 * prompt->height, 2.0f, 2.0f);
    }
    DrawRankingBoard(*board);
    // The chosen place's marker, left of its rank.
    if (Texture* dot = DrawableTexture("dot"))
        DrawSpriteScaled(dot, BoardRowX(board->slideIn, windowWidth, chosen) - 130, BoardRowY(chosen) + 40, 2.0f, 2.0f);
}

void RankingScene::Check(SceneCheck& check) const {
    CheckStream(check, "ranking", angle, orbitSpeed, surface, field);
    check.ranking = true;
    check.score = board->score;
    check.banner = bannerTimer;
    check.slideIn = board->slideIn;
}

Scene* RankingScene::NextScene() { return new TitleScene(context, surface, field, angle); }
