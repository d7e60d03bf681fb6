#include "scene/Scene.h"

#include <GL/glew.h>

#include "input/Input.h"
#include "platform/GlContext.h"

Scene* currentScene = nullptr;
bool leaveAsked = false;

namespace {

void RestoreTextureModulate() {
    if (GlContextCurrent()) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

}  // namespace

Scene::Scene(std::shared_ptr<SceneContext> sharedContext)
    : finished(false), context(std::move(sharedContext)) {}

Scene::~Scene() { RestoreTextureModulate(); }

void Scene::Init() {}

void Scene::Update() { EscapeCheck(); }

void Scene::Draw() {}

void Scene::Finalize() {}

Scene* Scene::NextScene() { return nullptr; }

void Scene::Check(SceneCheck&) const {}

void CheckStream(SceneCheck& check, const char* scene, int angle, float orbitSpeed, const Surface* surface,
                 const ModelField* field) {
    check.scene = scene;
    check.angle = angle;
    check.orbitSpeed = orbitSpeed;
    check.surface = surface;
    check.field = field;
}

bool EscapeCheck() {
    if (KeyHeld(27)) leaveAsked = true;
    return leaveAsked;
}

void StartScenesWith(Scene* first) {
    currentScene = first;
    if (currentScene != nullptr) currentScene->Init();
}

void StepScenes() {
    if (currentScene != nullptr && currentScene->finished) {
        Scene* outgoing = currentScene;
        outgoing->Finalize();
        currentScene = outgoing->NextScene();
        delete outgoing;
        // Nothing to hand over to: the game idles on an empty screen.
        if (currentScene != nullptr) currentScene->Init();
    }
    if (currentScene != nullptr) currentScene->Update();
}
