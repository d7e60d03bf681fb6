#pragma once
// The title: loads every named resource, shows the falling gems under the title picture and
// waits for Space.
#include <memory>

#include "render/Texture.h"
#include "scene/Scene.h"

struct Surface;
struct ModelField;

class TitleScene : public Scene {
public:
    // The first title of a run: makes the tube and the field and fills the tube with gems.
    explicit TitleScene(std::shared_ptr<SceneContext> context);
    // Every later title, reached from the ranking.
    TitleScene(std::shared_ptr<SceneContext> context, Surface* surface, ModelField* field,
               int angle);

    void Init() override;
    void Update() override;
    void Draw() override;
    Scene* NextScene() override;
    void Check(SceneCheck& check) const override;

    Surface* surface = nullptr;  // shared by all scenes; freed at exit (FreeSharedStream)
    ModelField* field = nullptr;
    int angle = 0;

    // Turning speed of the title scenes, carried from one title to the next.
    static float orbitSpeed;
};

// Makes the game's first scene: a title that makes the tube and the field every scene shares.
Scene* MakeFirstScene(std::shared_ptr<SceneContext> context);

// At exit, after the last scene: frees the tube and the falling field (with its gems) that the
// first scene made for all of them.
void FreeSharedStream();

// How many steps the first title runs the field ahead: t from 0 by the float 0.05 while t < 600.
int WarmUpStepCount();

enum class TitleResourceKind { Shader, Texture, Sound };

// One entry the title loads (the camera, entry 1, is set up first and is not in this list).
struct TitleResource {
    TitleResourceKind kind;
    const char* name;
    const char* path;        // the vertex shader for a program
    const char* secondPath;  // the fragment shader for a program, else null
    int rows;
    ColorKey key;
};

inline constexpr int kTitleResourceCount = 26;
extern const TitleResource kTitleResources[kTitleResourceCount];
