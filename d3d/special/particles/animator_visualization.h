// Particles drawn as small animated characters: each live particle borrows
// an animator from the visualization's reserve, placed and turned as the
// particle is and animated by its age.
#pragma once

#include <engine/core/animator.h>
#include <engine/core/particles/particle_engine.h>
#include <engine/core/special_effect.h>

#include <memory>
#include <string>
#include <vector>

class AnimatorParticleVisualization
    : public particles::AnimatorBasedParticleVisualizationInterface,
      public SpecialEffect {
public:
    // Blendings by their "rendering" names: "common" 0, "spark" 1, "dark" 2.
    static int renderingMode(const std::string& name);

    void initialize(particles::ParticleBaseEngine* system) override;
    void configure(const config::Block& block, const config::Block* fallback) override;
    void render(const TMatrix& matrix, const Vector& offset) override;

    void setCharacters(const std::vector<std::string>& names) override;
    void setReserve(int count) override;
    void setCenterPosition(const Vector& center) override { centerPosition = center; }
    bool setRendering(const std::string& mode) override;

    int getRendering() const { return rendering; }
    const std::vector<std::string>& getCharacters() const { return characters; }
    std::size_t getReserveSize() const { return reserve.size(); }
    int getDrawnCount() const { return drawnCount; }

private:
    // Makes animators until there are `count`, taking the characters in turn;
    // false when no character is known to the library.
    bool fillReserve(std::size_t count);

    particles::ParticleBaseEngine* system = nullptr;
    std::vector<std::string> characters;
    std::vector<std::unique_ptr<Animator>> reserve;
    std::size_t nextCharacter = 0;
    int reserveCount = 8;
    bool landscape = false;
    bool directLight = true;
    bool fogged = true;
    Vector centerPosition;
    int rendering = 0;
    int drawnCount = 0;
};
