#pragma once
// The scene base and the switching between scenes. One scene is current; it asks for the switch
// by setting `finished`, and the next tick builds its successor. Which scenes there are (scenes/),
// and starting, ticking and leaving the game (app/), are above this folder; it uses input/, mesh/
// and platform/ only.
#include <map>
#include <memory>
#include <string>

#include "mesh/Model.h"

using SceneContext = std::map<std::string, std::string>;

struct Surface;
struct ModelField;

// What a recorded run is checked by when it is played again: the scene, the view, the stream and
// the play. Each scene fills in what it has; the rest keeps these values.
struct SceneCheck {
    const char* scene = "none";
    int angle = 0;
    float orbitSpeed = 0.0f;
    const Surface* surface = nullptr;
    const ModelField* field = nullptr;
    bool game = false;  // a game: score, time, blade and sparks
    const BladeGeometry* blade = nullptr;
    const ParticleList* particles = nullptr;
    bool ranking = false;  // the ranking: score, banner and board
    int score = 0;
    int timeLeft = 0;
    int bladeYaw = 0;
    float bladeLift = 0.0f;
    long sparks = 0;
    int banner = 0;
    int slideIn = 0;
};

// What every scene checks alike: its name, the view and the stream.
void CheckStream(SceneCheck& check, const char* scene, int angle, float orbitSpeed, const Surface* surface,
                 const ModelField* field);

class Scene {
public:
    explicit Scene(std::shared_ptr<SceneContext> context);
    virtual ~Scene();  // puts back the texture mode every scene may have changed
    virtual void Init();
    virtual void Update();   // the base version is the Escape check
    virtual void Draw();
    virtual void Finalize();
    virtual Scene* NextScene();  // caller owns the result
    virtual void Check(SceneCheck& check) const;
    virtual bool Paused() const { return false; }  // a paused game's ticks change nothing

    bool finished;
    std::shared_ptr<SceneContext> context;
};

// Escape held across a tick boundary asks to leave: true, and `leaveAsked` is set for the tick to
// read once the step is over. The scene's Update stops there: nothing after it counts any more.
bool EscapeCheck();
extern bool leaveAsked;

extern Scene* currentScene;

// Installs `first` as the current scene and runs its Init (tests start the cycle this way).
void StartScenesWith(Scene* first);

// Once per tick: switch if the current scene has finished, then run its Update.
void StepScenes();
