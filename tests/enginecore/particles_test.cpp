#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "engine/config.h"
#include "engine/core/particles/particle_engine.h"
#include "engine/resources.h"

namespace {

using particles::EmitterSettings;
using particles::Particle;
using particles::ParticleBaseEngine;

// Emits nothing by itself and moves particles only when told.
EmitterSettings still() {
    EmitterSettings s;
    s.emissionRate = 0.0f;
    s.speed = 0.0f;
    s.lifetime = 1.0f;
    return s;
}

// Records what the system hands its visualization.
class RecordingVisualization : public particles::ParticleVisualizationInterface {
public:
    void initialize(ParticleBaseEngine* system) override { initializedWith = system; }
    void configure(const config::Block& block, const config::Block*) override {
        block.getProperty("textureName", &textureName);
    }
    void render(const TMatrix&, const Vector& offset) override { renderedAt = offset; }

    ParticleBaseEngine* initializedWith = nullptr;
    std::string textureName;
    Vector renderedAt;
};

TEST(ParticleEmission, RateCapacityLifetimeAndStop) {
    EmitterSettings s = still();
    s.emissionRate = 10.0f;
    s.lifetime = 10.0f;
    ParticleBaseEngine system(s);
    for (int step = 0; step < 10; ++step)
        system.update(0.1f);
    EXPECT_EQ(system.getParticleCount(), 10);

    s.maxParticles = 4;  // fewer places drop the rest; births wait for room
    system.setSettings(s);
    system.update(1.0f);
    EXPECT_EQ(system.getParticleCount(), 4);

    system.setEmitting(false);
    system.update(9.5f);
    EXPECT_EQ(system.getParticleCount(), 0);  // all outlived their ten seconds

    ParticleBaseEngine burst(still());
    burst.burst(3);
    burst.update(0.5f);
    EXPECT_EQ(burst.getParticleCount(), 3);
    burst.update(0.6f);
    EXPECT_EQ(burst.getParticleCount(), 0);
}

TEST(ParticleMotion, GravityDragSizeAndColourOverLife) {
    EmitterSettings s = still();
    s.lifetime = 2.0f;
    s.gravity = Vector(0, -10, 0);
    s.startSize = 1.0f;
    s.endSize = 3.0f;
    s.startColor = Color(1, 0, 0, 1);
    s.endColor = Color(0, 0, 1, 0);
    ParticleBaseEngine falling(s);
    falling.burst(1);
    falling.update(0.5f);
    falling.update(0.5f);
    const Particle& p = *falling.getFirstParticle();
    EXPECT_NEAR(p.position.y, -5.0f, 1e-5f);  // g t^2 / 2, whatever the steps
    EXPECT_NEAR(p.velocity.y, -10.0f, 1e-5f);
    EXPECT_FLOAT_EQ(p.width, 2.0f);
    EXPECT_FLOAT_EQ(p.height, 2.0f);
    EXPECT_EQ(p.color, Color(0.5f, 0, 0.5f, 0.5f));

    EmitterSettings d = still();
    d.speed = 2.0f;
    d.drag = 0.5f;
    ParticleBaseEngine slowed(d);
    slowed.burst(1);
    slowed.update(0.2f);
    EXPECT_NEAR(slowed.getFirstParticle()->position.y, 0.4f, 1e-6f);
    EXPECT_NEAR(slowed.getFirstParticle()->velocity.y, 1.8f, 1e-6f);
}

TEST(ParticleMotion, BirthsStayInsideTheEmitterAndTheCone) {
    EmitterSettings s = still();
    s.emitterPosition = Vector(1, 2, 3);
    s.emitterRadius = 0.5f;
    s.direction = Vector(0, 0, 2);
    s.spread = 0.3f;
    s.speed = 4.0f;
    s.speedVariance = 1.0f;
    s.maxParticles = 300;
    ParticleBaseEngine system(s);
    system.burst(500);
    ASSERT_EQ(system.getParticleCount(), 300);
    std::set<const Particle*> seen;
    float widest = 0.0f;
    for (const Particle* p = system.getFirstParticle(); p; p = p->next) {
        ASSERT_TRUE(seen.insert(p).second) << "the list loops";
        EXPECT_LE(length(p->position - s.emitterPosition), 0.5f + 1e-5f);
        const float speed = length(p->velocity);
        EXPECT_GE(speed, 3.0f - 1e-4f);
        EXPECT_LE(speed, 5.0f + 1e-4f);
        const float angle = std::acos(std::min(1.0f, p->velocity.z / speed));
        EXPECT_LE(angle, 0.3f + 1e-3f);
        widest = std::max(widest, angle);
    }
    EXPECT_EQ(seen.size(), 300u);
    EXPECT_GT(widest, 0.2f);  // the cone is used, not only its axis

    // The seed makes a system repeat itself.
    ParticleBaseEngine again(s), third(s);
    again.burst(1);
    third.burst(1);
    EXPECT_EQ(again.getFirstParticle()->position, third.getFirstParticle()->position);
}

TEST(ParticleMotion, BadStepsChangeNothing) {
    ParticleBaseEngine system(still());
    system.burst(2);
    const Vector before = system.getFirstParticle()->position;
    for (float step : {-1.0f, std::nanf(""), INFINITY}) {
        system.update(step);
        EXPECT_EQ(system.getParticleCount(), 2) << step;
    }
    EXPECT_EQ(system.getFirstParticle()->position, before);
}

TEST(ParticleConfiguration, KeysWrongTypesAndPresets) {
    config::Config cfg;
    ASSERT_TRUE(cfg.readString(
        "S = { emissionRate = \"many\"; lifetime = -3.0; maxParticles = 2.5; "
        "gravity = (0, -1, 0); startColor = [1.0, 0.5, 0.25]; textureName = \"x.tga\"; };"));
    config::Block* block = nullptr;
    ASSERT_TRUE(cfg.getPropertyAccess("S", &block));
    ParticleBaseEngine system;
    auto owned = std::make_unique<RecordingVisualization>();
    RecordingVisualization* visualization = owned.get();
    system.setVisualization(std::move(owned));
    EXPECT_EQ(visualization->initializedWith, &system);
    system.configure(*block);
    const EmitterSettings defaults;
    EXPECT_EQ(system.getSettings().emissionRate, defaults.emissionRate);  // wrong type
    EXPECT_EQ(system.getSettings().maxParticles, defaults.maxParticles);  // a float is no int
    EXPECT_GT(system.getSettings().lifetime, 0.0f);
    EXPECT_EQ(system.getSettings().gravity, Vector(0, -1, 0));
    EXPECT_EQ(system.getSettings().startColor, Color(1.0f, 0.5f, 0.25f, 1.0f));
    EXPECT_EQ(visualization->textureName, "x.tga");
    system.setTransformation(TMatrix(), Vector(4, 5, 6));
    system.render();
    EXPECT_EQ(visualization->renderedAt, Vector(4, 5, 6));

    ASSERT_TRUE(theResourceManager->setDataRoot(std::string(D3DDRIVER_SOURCE_DIR) + "/data"));
    ParticleBaseEngine smoke, sparks;
    ASSERT_TRUE(smoke.configurePreset("Smoke"));
    ASSERT_TRUE(sparks.configurePreset("Sparks"));
    EXPECT_GT(smoke.getSettings().endSize, smoke.getSettings().startSize);  // it spreads
    EXPECT_LT(sparks.getSettings().gravity.y, 0.0f);                       // they fall
    const float endSize = smoke.getSettings().endSize;
    EXPECT_FALSE(smoke.configurePreset("Fireworks"));
    EXPECT_EQ(smoke.getSettings().endSize, endSize);
}

}  // namespace
