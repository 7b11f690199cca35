#include "special/particles/animator_visualization.h"

#include "driver.h"
#include "rview.h"
#include "states.h"

#include <engine/config.h>
#include <engine/core/globals.h>
#include <engine/core/effect_settings.h>

#include <algorithm>

namespace {

template <typename T>
bool lookUp(const config::Block& block, const config::Block* fallback, const char* key, T* out) {
    return block.getProperty(key, out) || (fallback && fallback->getProperty(key, out));
}

// More than this many animators are never prepared, whatever is asked.
constexpr int largestReserve = 4096;

}  // namespace

REGISTER_CLASS(AnimatorParticleVisualization);

int AnimatorParticleVisualization::renderingMode(const std::string& name) {
    static const char* const names[] = {"common", "spark", "dark"};
    for (int mode = 0; mode < 3; ++mode)
        if (name == names[mode])
            return mode;
    return -1;
}

void AnimatorParticleVisualization::initialize(particles::ParticleBaseEngine* engine) {
    system = engine;
    fillReserve(static_cast<std::size_t>(reserveCount));
}

void AnimatorParticleVisualization::configure(const config::Block& block,
                                              const config::Block* fallback) {
    lookUp(block, fallback, "landscape", &landscape);
    lookUp(block, fallback, "directLight", &directLight);
    lookUp(block, fallback, "fogged", &fogged);
    lookUp(block, fallback, "centerPosition", &centerPosition);
    int count = 0;
    if (lookUp(block, fallback, "reserve", &count))
        reserveCount = std::clamp(count, 0, largestReserve);
    std::vector<std::string> names;
    std::string name;
    if (lookUp(block, fallback, "characters", &names))
        setCharacters(names);
    else if (lookUp(block, fallback, "character", &name))
        setCharacters({name});
    else
        fillReserve(static_cast<std::size_t>(reserveCount));
    std::string mode;
    if (lookUp(block, fallback, "rendering", &mode))
        setRendering(mode);
}

void AnimatorParticleVisualization::setCharacters(const std::vector<std::string>& names) {
    characters = names;
    reserve.clear();
    nextCharacter = 0;
    fillReserve(static_cast<std::size_t>(reserveCount));
}

void AnimatorParticleVisualization::setReserve(int count) {
    reserveCount = std::clamp(count, 0, largestReserve);
    fillReserve(static_cast<std::size_t>(reserveCount));
}

bool AnimatorParticleVisualization::setRendering(const std::string& mode) {
    const int value = renderingMode(mode);
    if (value < 0)
        return false;
    rendering = value;
    return true;
}

bool AnimatorParticleVisualization::fillReserve(std::size_t count) {
    count = std::min(count, static_cast<std::size_t>(largestReserve));
    // The characters are taken in turn; a full round of unknown names ends it.
    std::size_t failures = 0;
    while (reserve.size() < count && failures < characters.size()) {
        const std::string& name = characters[nextCharacter++ % characters.size()];
        if (std::unique_ptr<Animator> made = theCharacterLibrary->createAnimator(name)) {
            reserve.push_back(std::move(made));
            failures = 0;
        } else {
            ++failures;
        }
    }
    return reserve.size() >= count;
}

void AnimatorParticleVisualization::render(const TMatrix& matrix, const Vector& offset) {
    drawnCount = 0;
    if (!system || (theRenderDriver && theRenderDriver->inIdlingMode()))
        return;
    auto* view = theD3DRenderDriver
                     ? dynamic_cast<D3DRenderView*>(theD3DRenderDriver->getCurrentRenderView())
                     : nullptr;
    if (!view)
        return;
    if (fogged && SEVertexFog::enabled &&
        view->getZDepth(matrix * centerPosition + offset) > SEVertexFog::end)
        return;
    // The reserve grows with the system, as far as the characters allow.
    fillReserve(static_cast<std::size_t>(system->getParticleCount()));

    RenderStateManager* states = theRenderStateManager;
    const bool blended = rendering != 0 && states;
    if (blended) {
        states->pushState(RS_ALPHABLENDENABLE);
        states->pushState(RS_SRCBLEND);
        states->pushState(RS_DESTBLEND);
        states->setState(RS_ALPHABLENDENABLE, TRUE);
        states->setState(RS_SRCBLEND, rendering == 1 ? D3DBLEND_ONE : D3DBLEND_ZERO);
        states->setState(RS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
    }
    std::size_t next = 0;
    for (const particles::Particle* p = system->getFirstParticle(); p && next < reserve.size();
         p = p->next) {
        Animator& animator = *reserve[next++];
        animator.setTransformation(matrix * p->frame, matrix * p->position + offset);
        animator.setAnimationTime(p->age);
        animator.render();
        ++drawnCount;
    }
    if (blended) {
        states->popState(RS_DESTBLEND);
        states->popState(RS_SRCBLEND);
        states->popState(RS_ALPHABLENDENABLE);
    }
}
