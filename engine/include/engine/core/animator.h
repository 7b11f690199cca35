// Animators: the engine's animated characters. A character is a key mesh
// registered by name in the character library; an animator is one placed,
// animated instance of it, drawn through a mesh shell, with the list of
// effects attached to its mesh.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/core/tmatrix.h"
#include "engine/types.h"

class BaseKeyMesh;
class EffectiveRenderMesh;
class RenderMeshShell;

class Animator {
public:
    // The key mesh must outlive the animator.
    Animator(std::string character, const BaseKeyMesh& mesh);
    // An animator over a shell the caller owns and draws (a scene object
    // that is also a character); the shell must outlive the animator.
    Animator(std::string character, RenderMeshShell& shell);
    Animator(const Animator&) = delete;
    Animator& operator=(const Animator&) = delete;
    virtual ~Animator();

    const std::string& getCharacter() const { return character; }
    const BaseKeyMesh& getKeyMesh() const { return mesh; }

    void setTransformation(const TMatrix& orientation, const Vector& position);
    const TMatrix& getGlobalTM() const { return orientation; }
    const Vector& getGlobalOff() const { return position; }
    void setAnimationTime(float seconds);
    float getAnimationTime() const { return animationTime; }

    // The effects on the character's mesh, in the order added; not owned.
    // Each is attached to the mesh's chain once the mesh exists, and
    // detached when removed. Adding one already there, or null, is refused
    // (false), as is removing one that is not there.
    bool addEffect(EffectiveRenderMesh* effect);
    bool removeEffect(EffectiveRenderMesh* effect);
    const std::vector<EffectiveRenderMesh*>& getEffects() const { return effects; }

    // Draws the character inside a view. Its render mesh is made at the
    // first draw with a mesh factory published.
    void render();
    RenderMeshShell* getShell() const { return shell; }

private:
    // Makes the own shell when a mesh factory is there; false otherwise.
    bool makeShell();

    const std::string character;
    const BaseKeyMesh& mesh;
    TMatrix orientation;
    Vector position;
    float animationTime = 0.0f;
    std::vector<EffectiveRenderMesh*> effects;
    std::unique_ptr<RenderMeshShell> ownShell;
    RenderMeshShell* shell = nullptr;
};

// The characters animators can be made of, by name. Thread-safe.
class CharacterLibrary {
public:
    // The mesh must stay alive while it is registered; a second registration
    // of a name replaces the first.
    void registerCharacter(const std::string& name, const BaseKeyMesh& mesh);
    void unregisterCharacter(const std::string& name);
    bool hasCharacter(const std::string& name) const;
    // Null for a name that is not registered.
    std::unique_ptr<Animator> createAnimator(const std::string& name) const;

private:
    mutable std::mutex mutex;
    std::map<std::string, const BaseKeyMesh*> characters;
};

extern CharacterLibrary* const theCharacterLibrary;
