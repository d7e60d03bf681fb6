#pragma once
// The play: the blade turns and lifts in front of the camera, every gem it strikes is cut, each
// cut scores a point and buys 40 ticks; the game ends when time runs out or on p.
#include <memory>

#include "mesh/Model.h"
#include "scene/Scene.h"

struct Surface;
struct ModelField;

struct Blade {
    int yaw = 0;            // the blade's own turn, whole degrees 0..359
    Vec3 offset;            // x and z follow the orbit, y is the lift
    BladeGeometry geometry; // world points, recomputed every tick
};

// The blade in its own coordinates: the small hit triangle, then the larger cutting triangle.
extern const Vec3 BladeTemplate[6];

// Decays the lift and places the six blade points for the orbit angle.
void UpdateBlade(Blade& blade, int orbitAngle);
void DrawBlade(const Blade& blade);

// Sparks move twice their velocity per tick, fall with the stream, and die after life + 2 moves.
void UpdateParticles(ParticleList& particles, double streamSpeed);
void DrawParticles(const ParticleList& particles);

// The keys the game reads in one tick.
struct GameKeys {
    bool pNew = false;
    bool aHeld = false, dHeld = false;
    bool leftHeld = false, rightHeld = false;
    bool upHeld = false, downHeld = false;
    bool pauseNew = false, focusLost = false;
};

GameKeys ReadGameKeys();

// Turns the view, turns and lifts the blade and places it; returns the tick's stream speed.
double SteerBlade(Blade& blade, int& angle, float& orbitSpeed, const GameKeys& keys);

// The stream speed of a lift: 0.05 per tick at rest, faster when the blade is raised.
double StreamSpeed(float lift);

// The field's downward step for a stream speed (ten times the scroll, rounded to float).
float FieldStepY(double streamSpeed);

// Plays a sound file; the game calls it once for every cut of the tick. Tests and the timedemo
// swap it to count the plays or to stay silent.
using CutSoundFn = void (*)(const char* path);
extern CutSoundFn cutSoundPlayer;
extern const char* const kCutSoundPath;  // the sound of a cut, in the data folder

// Books a tick's cuts: 40 ticks and a point each, then the tick's cost. True once time is out.
bool CountCuts(int& timeLeft, int& score, int cuts);

inline constexpr int kStartTime = 360;

class GameScene : public Scene {
public:
    GameScene(std::shared_ptr<SceneContext> context, Surface* surface, ModelField* field,
              int angle);
    ~GameScene() override;

    void Init() override;
    void Update() override;
    void Draw() override;
    Scene* NextScene() override;
    void Check(SceneCheck& check) const override;
    bool Paused() const override { return paused; }

    Surface* surface = nullptr;
    ModelField* field = nullptr;
    int timeLeft = kStartTime;
    int score = 0;
    int shake = 0;  // of the time display, drawn from the random stream once a tick
    Blade* blade = nullptr;
    ParticleList* particles = nullptr;
    int angle = 0;
    bool paused = false;

    static float orbitSpeed;
};
