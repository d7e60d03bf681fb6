#include "scenes/TitleScene.h"

#include <GL/glew.h>

#include <cstdio>

#include "audio/SoundEffect.h"
#include "input/Input.h"
#include "mesh/Field.h"
#include "platform/GlContext.h"
#include "render/Camera.h"
#include "render/DrawingArea.h"
#include "render/MeshDraw.h"
#include "render/Registry.h"
#include "render/Shader.h"
#include "render/Sprite.h"
#include "scenes/GameScene.h"
#include "scenes/Hud.h"
#include "scenes/Orbit.h"
#include "scenes/ResourceNames.h"

float TitleScene::orbitSpeed = 0.0f;

namespace {

// What the first title made for every scene; freed at exit once no scene is left.
Surface* sharedSurface = nullptr;
ModelField* sharedField = nullptr;

}  // namespace

const TitleResource kTitleResources[kTitleResourceCount] = {
    {TitleResourceKind::Shader, "Shader", "shader/Binarization.vs", "shader/Binarization.fs", 0, {}},
    {TitleResourceKind::Shader, "multitexture", "shader/multitexture.vs", "shader/multitexture.fs", 0, {}},
    {TitleResourceKind::Texture, "UIwindow", "res/game/UIwindow.jpg", nullptr, 1, {0, 0, 0}},
    {TitleResourceKind::Texture, "num", "res/game/num.png", nullptr, 10, {255, 255, 255}},
    {TitleResourceKind::Texture, "MySurface", "res/game/blue.png", nullptr, 1, {0, 0, 0}},
    {TitleResourceKind::Texture, "ModelA", "res/game/k_red.png", nullptr, 1, {0, 0, 0}},
    {TitleResourceKind::Texture, "ModelB", "res/game/CutSurf.png", nullptr, 1, {0, 0, 0}},
    {TitleResourceKind::Texture, "titlesurf", "res/game/title.png", nullptr, 1, {0, 255, 0}},
    {TitleResourceKind::Texture, "dot", "res/game/dot.png", nullptr, 1, {0, 255, 0}},
    {TitleResourceKind::Texture, "score_num", "res/game/num.png", nullptr, 10, {255, 0, 0}},
    {TitleResourceKind::Texture, "score", "res/game/SCORE.png", nullptr, 1, {255, 0, 0}},
    {TitleResourceKind::Texture, "pressspace", "res/game/pressspace.png", nullptr, 1, {255, 0, 0}},
    {TitleResourceKind::Texture, kRemainingTextureName, "res/game/timelimit.png", nullptr, 1, {255, 0, 0}},
    {TitleResourceKind::Texture, kRankingTextureName, "res/game/RANKING.png", nullptr, 1, {255, 0, 0}},
    {TitleResourceKind::Texture, "finish", "res/game/finish.png", nullptr, 1, {255, 0, 0}},
    {TitleResourceKind::Texture, "paused", "res/game/paused.png", nullptr, 1, {255, 0, 0}},
    {TitleResourceKind::Texture, "resume", "res/game/resume.png", nullptr, 1, {255, 0, 0}},
    {TitleResourceKind::Texture, "music_label", "res/game/music.png", nullptr, 1, {255, 0, 0}},
    {TitleResourceKind::Texture, "effects_label", "res/game/effects.png", nullptr, 1, {255, 0, 0}},
    {TitleResourceKind::Texture, "muted_label", "res/game/muted.png", nullptr, 1, {255, 0, 0}},
    {TitleResourceKind::Texture, "replay_label", "res/game/replay.png", nullptr, 1, {255, 0, 0}},
    {TitleResourceKind::Texture, "replay_half", "res/game/replay_half.png", nullptr, 1, {255, 0, 0}},
    {TitleResourceKind::Texture, "replay_double", "res/game/replay_double.png", nullptr, 1, {255, 0, 0}},
    {TitleResourceKind::Texture, "replay_four", "res/game/replay_four.png", nullptr, 1, {255, 0, 0}},
    {TitleResourceKind::Texture, "replay_paused", "res/game/replay_paused.png", nullptr, 1, {255, 0, 0}},
    {TitleResourceKind::Sound, "CutSE", "res/se/cut.wav", nullptr, 0, {}},
};

int WarmUpStepCount() {
    int steps = 0;
    for (double t = 0.0; t < 600.0; t += 0.05f) ++steps;
    return steps;
}

Scene* MakeFirstScene(std::shared_ptr<SceneContext> context) {
    return new TitleScene(std::move(context));
}

void FreeSharedStream() {
    delete sharedSurface;
    delete sharedField;
    sharedSurface = nullptr;
    sharedField = nullptr;
}

TitleScene::TitleScene(std::shared_ptr<SceneContext> context)
    : Scene(std::move(context)), angle(0) {
    surface = sharedSurface = new Surface();
    field = sharedField = PrewarmField();
    // Run the stream well ahead so the tube is already full when the title first shows.
    const int steps = WarmUpStepCount();
    for (int i = 0; i < steps; ++i) AdvanceModels(*field, 0.0f, kRestFallStep, 0.0f);
}

TitleScene::TitleScene(std::shared_ptr<SceneContext> context, Surface* surface_,
                       ModelField* field_, int angle_)
    : Scene(std::move(context)), surface(surface_), field(field_), angle(angle_) {}

void TitleScene::Init() {
    TitleCameraSetup(angle);  // makes "MyCamera" and gives it the window's size
    // Played without a window (a demo checked headless) there is nothing to load them into.
    if (!GlContextCurrent()) return;

    // Every visit loads again into the same registered objects.
    for (const TitleResource& entry : kTitleResources) {
        switch (entry.kind) {
            case TitleResourceKind::Shader: {
                ShaderProgram* program = Registry<ShaderProgram>().Create(entry.name);
                LoadShaderProgram(*program, entry.path, entry.secondPath);
                break;
            }
            case TitleResourceKind::Texture: {
                Texture* texture = Registry<Texture>().Create(entry.name);
                LoadTexture(*texture, entry.path, entry.rows, entry.key);
                break;
            }
            case TitleResourceKind::Sound: {
                SoundEffect* sound = Registry<SoundEffect>().Create(entry.name);
                std::snprintf(sound->path, sizeof sound->path, "%s", entry.path);
                break;
            }
        }
    }
}

void TitleScene::Update() {
    UpdateOrbit(orbitSpeed, angle);
    if (EscapeCheck()) return;
    if (KeyNewlyPressed(' ')) finished = true;
    StepRestingStream(*surface, *field);
}

void TitleScene::Draw() {
    DrawStream(angle, *surface, *field);

    // Both pictures are drawn at twice their size, centred: half the window less one width.
    if (Texture* title = DrawableTexture("titlesurf")) {
        DrawSpriteScaled(title, windowWidth / 2 - title->width, 100, 2.0f, 2.0f);
    }
    if (Texture* prompt = DrawableTexture("pressspace")) {
        DrawSpriteScaled(prompt, windowWidth / 2 - prompt->width, windowHeight - 100, 2.0f, 2.0f);
    }
}

void TitleScene::Check(SceneCheck& check) const {
    CheckStream(check, "title", angle, orbitSpeed, surface, field);
}

Scene* TitleScene::NextScene() { return new GameScene(context, surface, field, angle); }
