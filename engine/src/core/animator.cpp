#include "engine/core/animator.h"

#include <algorithm>

#include "engine/core/globals.h"
#include "engine/core/render_mesh_shell.h"

Animator::Animator(std::string characterName, const BaseKeyMesh& keyMesh)
    : character(std::move(characterName)), mesh(keyMesh) {}

Animator::Animator(std::string characterName, RenderMeshShell& outerShell)
    : character(std::move(characterName)), mesh(outerShell.getKeyMesh()), shell(&outerShell) {}

// The effects leave the chain before the shell can go with them still in it.
Animator::~Animator() {
    if (shell)
        for (EffectiveRenderMesh* effect : effects)
            shell->detachEffect(effect);
}

void Animator::setTransformation(const TMatrix& newOrientation, const Vector& newPosition) {
    orientation = newOrientation;
    position = newPosition;
    if (shell)
        shell->setTransformation(orientation, position);
}

void Animator::setAnimationTime(float seconds) {
    animationTime = seconds;
    if (shell)
        shell->setAnimationTime(seconds);
}

bool Animator::addEffect(EffectiveRenderMesh* effect) {
    if (!effect || std::find(effects.begin(), effects.end(), effect) != effects.end())
        return false;
    effects.push_back(effect);
    if (shell)
        shell->attachEffect(effect);
    return true;
}

bool Animator::removeEffect(EffectiveRenderMesh* effect) {
    const auto found = std::find(effects.begin(), effects.end(), effect);
    if (found == effects.end())
        return false;
    effects.erase(found);
    if (shell)
        shell->detachEffect(effect);
    return true;
}

bool Animator::makeShell() {
    if (!theRenderMeshFactory)
        return false;
    ownShell = std::make_unique<RenderMeshShell>(mesh);
    shell = ownShell.get();
    shell->setTransformation(orientation, position);
    shell->setAnimationTime(animationTime);
    for (EffectiveRenderMesh* effect : effects)
        shell->attachEffect(effect);
    return true;
}

void Animator::render() {
    if (shell || makeShell())
        shell->render();
}

void CharacterLibrary::registerCharacter(const std::string& name, const BaseKeyMesh& keyMesh) {
    const std::lock_guard<std::mutex> lock(mutex);
    characters[name] = &keyMesh;
}

void CharacterLibrary::unregisterCharacter(const std::string& name) {
    const std::lock_guard<std::mutex> lock(mutex);
    characters.erase(name);
}

bool CharacterLibrary::hasCharacter(const std::string& name) const {
    const std::lock_guard<std::mutex> lock(mutex);
    return characters.count(name) != 0;
}

std::unique_ptr<Animator> CharacterLibrary::createAnimator(const std::string& name) const {
    const std::lock_guard<std::mutex> lock(mutex);
    const auto found = characters.find(name);
    if (found == characters.end())
        return nullptr;
    return std::make_unique<Animator>(name, *found->second);
}

namespace {
CharacterLibrary characterLibrary;
}

CharacterLibrary* const theCharacterLibrary = &characterLibrary;
