#include "engine/core/particles/particle_engine.h"

#include <algorithm>
#include <cmath>

#include "engine/config.h"

namespace particles {

namespace {

constexpr float twoPi = 6.28318531f;

float lerp(float a, float b, float t) {
    return a + (b - a) * t;
}

Color lerp(const Color& a, const Color& b, float t) {
    return {lerp(a.r, b.r, t), lerp(a.g, b.g, t), lerp(a.b, b.b, t), lerp(a.a, b.a, t)};
}

// Two unit vectors square to each other and to `axis` (a unit vector).
void perpendiculars(const Vector& axis, Vector* u, Vector* v) {
    const Vector helper = std::fabs(axis.x) < 0.9f ? Vector(1, 0, 0) : Vector(0, 1, 0);
    *u = normalized(cross(axis, helper));
    *v = cross(axis, *u);
}

}  // namespace

ParticleBaseEngine::ParticleBaseEngine(const EmitterSettings& initial) {
    setSettings(initial);
}

ParticleBaseEngine::~ParticleBaseEngine() = default;

void ParticleBaseEngine::setSettings(const EmitterSettings& newSettings) {
    const bool reseed = newSettings.seed != settings.seed || pool.empty();
    settings = newSettings;
    settings.maxParticles = std::max(settings.maxParticles, 0);
    if (reseed)
        generator.seed(settings.seed);
    pool.resize(static_cast<std::size_t>(settings.maxParticles));
    liveCount = std::min(liveCount, settings.maxParticles);
    relink();
}

void ParticleBaseEngine::configure(const config::Block& block) {
    EmitterSettings read = settings;
    read.read(block);
    setSettings(read);
    if (visualization)
        visualization->configure(block, nullptr);
}

bool ParticleBaseEngine::configurePreset(const std::string& name) {
    const std::shared_ptr<config::Config> presets = config::theConfigManager->bindConfig(presetsFile);
    config::Block* block = nullptr;
    if (!presets->getPropertyAccess(name, &block))
        return false;
    configure(*block);
    return true;
}

void ParticleBaseEngine::setVisualization(std::unique_ptr<ParticleVisualizationInterface> next) {
    visualization = std::move(next);
    if (visualization)
        visualization->initialize(this);
}

void ParticleBaseEngine::setTransformation(const TMatrix& newMatrix, const Vector& newOffset) {
    matrix = newMatrix;
    offset = newOffset;
}

void ParticleBaseEngine::update(float seconds) {
    if (!(seconds >= 0.0f) || !std::isfinite(seconds))
        return;
    for (int i = 0; i < liveCount;) {
        Particle& particle = pool[static_cast<std::size_t>(i)];
        if (particle.age + seconds >= particle.lifetime) {
            particle = pool[static_cast<std::size_t>(--liveCount)];
            continue;
        }
        advance(particle, seconds);
        ++i;
    }
    if (emitting) {
        emissionDebt += settings.emissionRate * seconds;
        const float whole = std::floor(emissionDebt);
        emissionDebt -= whole;
        // Births that find no room are lost rather than saved up for a burst.
        emit(static_cast<int>(std::min(whole, static_cast<float>(settings.maxParticles))), seconds);
    }
    relink();
}

void ParticleBaseEngine::burst(int count) {
    emit(count, 0.0f);
    relink();
}

void ParticleBaseEngine::clear() {
    liveCount = 0;
    emissionDebt = 0.0f;
    relink();
}

void ParticleBaseEngine::render() {
    if (visualization)
        visualization->render(matrix, offset);
}

const Particle* ParticleBaseEngine::getFirstParticle() const {
    return liveCount > 0 ? &pool.front() : nullptr;
}

// Births within one step are spread over it, so that a fast stream does not
// come out in clumps, one per frame.
void ParticleBaseEngine::emit(int count, float spreadOverSeconds) {
    const int room = settings.maxParticles - liveCount;
    count = std::min(count, room);
    for (int k = 0; k < count; ++k) {
        Particle& particle = pool[static_cast<std::size_t>(liveCount++)];
        spawn(particle);
        const float age = spreadOverSeconds * (static_cast<float>(k) + 0.5f) / count;
        advance(particle, std::min(age, particle.lifetime * 0.5f));
    }
}

void ParticleBaseEngine::spawn(Particle& particle) {
    particle = Particle();
    const float lifeJitter = settings.lifetimeVariance * (2.0f * random() - 1.0f);
    particle.lifetime = std::max(settings.lifetime + lifeJitter, 0.001f);
    const float radius = settings.emitterRadius * std::cbrt(random());
    particle.position = settings.emitterPosition + randomDirection() * radius;

    Vector axis = normalized(settings.direction);
    if (squaredLength(axis) == 0.0f)
        axis = Vector(0, 1, 0);
    Vector u, v;
    perpendiculars(axis, &u, &v);
    const float cosTheta = lerp(1.0f, std::cos(settings.spread), random());
    const float sinTheta = std::sqrt(std::max(0.0f, 1.0f - cosTheta * cosTheta));
    const float phi = twoPi * random();
    const Vector heading =
        axis * cosTheta + (u * std::cos(phi) + v * std::sin(phi)) * sinTheta;
    const float speedJitter = settings.speedVariance * (2.0f * random() - 1.0f);
    particle.velocity = heading * std::max(settings.speed + speedJitter, 0.0f);
    particle.angle = twoPi * random();
    advance(particle, 0.0f);
}

// Constant acceleration is integrated exactly over the step; drag then takes
// its share of the velocity.
void ParticleBaseEngine::advance(Particle& particle, float seconds) const {
    particle.position += particle.velocity * seconds + settings.gravity * (0.5f * seconds * seconds);
    particle.velocity += settings.gravity * seconds;
    particle.velocity *= std::max(0.0f, 1.0f - settings.drag * seconds);
    particle.age += seconds;
    particle.angle += settings.spin * seconds;
    particle.frame = TMatrix::rotation(Vector(0, 0, 1), particle.angle);
    const float life = std::clamp(particle.lifeFraction(), 0.0f, 1.0f);
    particle.width = particle.height = lerp(settings.startSize, settings.endSize, life);
    particle.color = lerp(settings.startColor, settings.endColor, life);
}

void ParticleBaseEngine::relink() {
    for (int i = 0; i < liveCount; ++i)
        pool[static_cast<std::size_t>(i)].next =
            i + 1 < liveCount ? &pool[static_cast<std::size_t>(i + 1)] : nullptr;
}

float ParticleBaseEngine::random() {
    // 24 bits, so that the float is exact and never reaches 1.
    return static_cast<float>(generator() >> 8) * (1.0f / 16777216.0f);
}

Vector ParticleBaseEngine::randomDirection() {
    const float z = 2.0f * random() - 1.0f;
    const float r = std::sqrt(std::max(0.0f, 1.0f - z * z));
    const float phi = twoPi * random();
    return {r * std::cos(phi), r * std::sin(phi), z};
}

}  // namespace particles
