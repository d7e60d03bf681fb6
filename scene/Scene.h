#pragma once
// The scene cycle: title, game, ranking, title... One scene is current; it asks for the switch by
// setting `finished`, and the next tick builds its successor.
#include <map>
#include <memory>
#include <string>

using SceneContext = std::map<std::string, std::string>;

class Scene {
public:
    explicit Scene(std::shared_ptr<SceneContext> context);
    virtual ~Scene();
    virtual void Init();
    virtual void Update();   // the base version is the Escape check
    virtual void Draw();
    virtual void Finalize();
    virtual Scene* NextScene();  // caller owns the result

    bool finished;
    std::shared_ptr<SceneContext> context;
};

// Escape held across a tick boundary ends the program (exit status 0).
void EscapeCheck();

extern Scene* currentScene;

// Starts the music, makes the shared context and the first title scene, and runs its Init.
void StartScenes();

// Installs `first` as the current scene and runs its Init (tests start the cycle this way).
void StartScenesWith(Scene* first);

// Once per tick: switch if the current scene has finished, run its Update, keep the music looping.
void StepScenes();

// Makes the game's first scene; defined with the title scene.
Scene* MakeFirstScene(std::shared_ptr<SceneContext> context);

// At exit, after the last scene: frees the tube and the falling field (with its gems) that the
// first scene made for all of them. Defined with the title scene.
void FreeSharedStream();
