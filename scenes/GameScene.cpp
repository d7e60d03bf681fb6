#include "scenes/GameScene.h"

#include <GL/glew.h>

#include "audio/SoundEffect.h"
#include "audio/TickSounds.h"
#include "input/Input.h"
#include "mesh/Field.h"
#include "platform/GlContext.h"
#include "render/Camera.h"
#include "render/CameraMath.h"
#include "render/MeshDraw.h"
#include "render/Registry.h"
#include "render/Shader.h"
#include "scenes/Hud.h"
#include "scenes/Orbit.h"
#include "scenes/Pause.h"
#include "scenes/RankingSave.h"
#include "scenes/RankingScene.h"

float GameScene::orbitSpeed = 0.0f;
CutSoundFn cutSoundPlayer = PlaySoundFile;
const char* const kCutSoundPath = "res/se/cut.wav";

const Vec3 BladeTemplate[6] = {
    {0.0f, 0.0f, 1.0f}, {0.0f, 4.0f, 0.0f}, {0.0f, 0.0f, -1.0f},
    // Five times the hit triangle, but only twice as tall, so it slices well past the sphere.
    {0.0f, 0.0f, 5.0f}, {0.0f, 10.0f, 0.0f}, {0.0f, 0.0f, -5.0f},
};

void UpdateBlade(Blade& blade, int orbitAngle) {
    blade.offset.y = blade.offset.y * 0.95f;
    const int a = WrapDegrees(blade.yaw);
    const int b = WrapDegrees(orbitAngle);
    Vec3* out[6] = {&blade.geometry.hitTriangle[0], &blade.geometry.hitTriangle[1],
                    &blade.geometry.hitTriangle[2], &blade.geometry.cutTriangle[0],
                    &blade.geometry.cutTriangle[1], &blade.geometry.cutTriangle[2]};
    for (int i = 0; i < 6; ++i) {
        const Vec3& p = BladeTemplate[i];
        // Turn by the blade's yaw, then carry it round the axis with the view.
        const float x1 = p.x * cosDeg[a] - p.z * sinDeg[a];
        const float z1 = p.z * cosDeg[a] + p.x * sinDeg[a];
        const float x2 = x1 * cosDeg[b] - z1 * sinDeg[b];
        const float z2 = z1 * cosDeg[b] + x1 * sinDeg[b];
        out[i]->x = x2 + blade.offset.x;
        out[i]->y = p.y + blade.offset.y + 4.0f;
        out[i]->z = z2 + blade.offset.z;
    }
}

void DrawBlade(const Blade& blade) {
    glPushMatrix();
    glBegin(GL_TRIANGLES);
    for (const Vec3& p : blade.geometry.hitTriangle) glVertex3f(p.x, p.y, p.z);
    glEnd();
    glPopMatrix();
}

void UpdateParticles(ParticleList& particles, double streamSpeed) {
    for (auto it = particles.begin(); it != particles.end();) {
        Particle& p = *it;
        p.position[0] = (p.position[0] + p.velocity[0]) + p.velocity[0];
        p.position[2] = (p.position[2] + p.velocity[2]) + p.velocity[2];
        p.position[1] = ((p.position[1] + p.velocity[1]) + p.velocity[1]) - streamSpeed;
        const int was = p.life;
        p.life -= 1;
        if (was < 0) {
            it = particles.erase(it);
        } else {
            ++it;
        }
    }
}

void DrawParticles(const ParticleList& particles) {
    glDisable(GL_LIGHTING);
    glPointSize(8.0f);
    glBegin(GL_POINTS);
    for (const Particle& p : particles) {
        // Orange while fresh, darkening to black as the spark dies.
        glColor3d(static_cast<float>(p.life) / 10.0f, static_cast<float>(p.life) / 60.0f, 0.0);
        glVertex3dv(p.position);
    }
    glColor3d(1.0, 1.0, 1.0);
    glEnd();
}

GameKeys ReadGameKeys() {
    GameKeys keys;
    keys.pNew = KeyNewlyPressed('p');
    keys.pauseNew = KeyNewlyPressed(kPauseKey);
    keys.focusLost = KeyNewlyPressed(kFocusLostKey);
    keys.aHeld = KeyHeld('a');
    keys.dHeld = KeyHeld('d');
    keys.leftHeld = ArrowHeld(ArrowLeft);
    keys.rightHeld = ArrowHeld(ArrowRight);
    keys.upHeld = ArrowHeld(ArrowUp);
    keys.downHeld = ArrowHeld(ArrowDown);
    return keys;
}

double StreamSpeed(float lift) {
    return static_cast<double>(lift) * 0.005 + static_cast<double>(0.05f);
}

float FieldStepY(double streamSpeed) { return static_cast<float>(streamSpeed * -10.0); }

double SteerBlade(Blade& blade, int& angle, float& orbitSpeed, const GameKeys& keys) {
    int turn = 0;
    if (keys.aHeld) turn = -5;
    if (keys.dHeld) turn = 5;
    StepOrbit(orbitSpeed, angle, keys.leftHeld, keys.rightHeld);
    float lift = 0.0f;
    if (keys.upHeld) lift = 0.2f;
    if (keys.downHeld) lift = lift - 0.2f;
    // The blade stays on the far side of the axis from the camera, whatever the angle.
    blade.offset.x = -0.75f * cosDeg[angle];
    blade.offset.z = -0.75f * sinDeg[angle];
    blade.offset.y = blade.offset.y + lift;
    blade.yaw = (blade.yaw + turn + 360) % 360;
    UpdateBlade(blade, angle);
    return StreamSpeed(blade.offset.y);
}

bool CountCuts(int& timeLeft, int& score, int cuts) {
    if (cuts != 0) timeLeft += 40 * cuts;
    timeLeft -= 1;
    score += cuts;
    return timeLeft < 0;
}

GameScene::GameScene(std::shared_ptr<SceneContext> context, Surface* surface_,
                     ModelField* field_, int angle_)
    : Scene(std::move(context)), surface(surface_), field(field_), angle(angle_) {}

GameScene::~GameScene() {
    delete blade;
    delete particles;
}

void GameScene::Init() {
    Registry<Camera>().Create("MyCamera");
    Registry<ShaderProgram>().Create("Shader");
    delete blade;
    blade = new Blade();
    delete particles;
    particles = new ParticleList();
    if (GlContextCurrent()) {
        glEnable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glDisable(GL_LIGHTING);
    }
}

void GameScene::Update() {
    const GameKeys keys = ReadGameKeys();
    // p ends the game, paused or not; the rest of a tick that is not paused still plays out.
    if (keys.pNew) finished = true;
    if (EscapeCheck()) return;
    paused = NextPaused(paused, keys.pauseNew, keys.focusLost);
    if (paused) return;
    const double streamSpeed = SteerBlade(*blade, angle, orbitSpeed, keys);
    surface->scroll = NextScroll(surface->scroll, streamSpeed);
    UpdateParticles(*particles, streamSpeed);
    AdvanceAndCut(*field, 0.0f, FieldStepY(streamSpeed), 0.0f, blade->geometry, *particles);
    if (field->cutCount > 0) SoundsThisTick().effect = kCutSoundPath;
    for (int cut = 0; cut < field->cutCount; ++cut) cutSoundPlayer(kCutSoundPath);
    if (CountCuts(timeLeft, score, field->cutCount)) finished = true;
    shake = TimeShake(timeLeft);
}

void GameScene::Draw() {
    BeginOrbitView(angle);
    DrawSurface(*surface);
    DrawParticles(*particles);
    DrawModels(*field);
    DrawBlade(*blade);
    glUseProgram(0);
    glDisable(GL_TEXTURE_2D);
    DrawTimeLeft(timeLeft, shake);
    DrawScore(score);
    if (paused) DrawPaused();
}

void GameScene::Check(SceneCheck& check) const {
    CheckStream(check, "game", angle, orbitSpeed, surface, field);
    check.game = true;
    check.score = score;
    check.timeLeft = timeLeft;
    check.bladeYaw = blade->yaw;
    check.bladeLift = blade->offset.y;
    check.sparks = static_cast<long>(particles->size());
    check.blade = &blade->geometry;
    check.particles = particles;
}

Scene* GameScene::NextScene() {
    // The game's end: its score is ranked at once and saved beside the game.
    RankScore(score);
    return new RankingScene(context, surface, field, score, angle);
}
