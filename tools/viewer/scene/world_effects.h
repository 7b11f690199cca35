// The world scene's special effects, each asked of the driver's effect
// factory by its slot and left out when the factory makes none (a driver
// without it, or a build whose engine lacks its interface).
#pragma once

#include "pick_report.h"

#include <engine/core/view.h>
#include <engine/types.h>

#include <memory>
#include <string>
#include <vector>

namespace scene {

enum WorldEffect : unsigned {
    WORLD_WATER = 0x1,
    WORLD_SWAMP = 0x2,
    WORLD_CHROME = 0x4,      // spherical mapping on the ball
    WORLD_LIGHT_SPOT = 0x8,  // planar mapping on the ground
    WORLD_MIRROR = 0x10,
    WORLD_VANISH = 0x20,  // camera vanish on the column by the path
    WORLD_HIGHLIGHT = 0x40,
    WORLD_GLOW = 0x80,
    WORLD_FOG = 0x100,  // vertex fog on the far pillars and the ground
    WORLD_ALL = 0x1FF
};

// The vertex fog of the world, between these depths, in the sky's colour
// (also the world's background).
constexpr float worldFogStart = 18.0f;
constexpr float worldFogEnd = 55.0f;
inline Color worldSkyColor() {
    return Color(0.62f, 0.72f, 0.85f);
}

struct WorldEffectName {
    WorldEffect effect;
    const char* name;   // as in file names
    const char* title;  // the class that draws it
};
// Every effect of the world, in a fixed order.
const std::vector<WorldEffectName>& worldEffectNames();

struct WorldMap;

class WorldEffects {
public:
    // The parts the effects go on, by name.
    WorldEffects(View& view, const std::vector<std::unique_ptr<SceneObject>>& objects,
                 const WorldMap& map, unsigned which, std::string highlightTarget);
    ~WorldEffects();
    WorldEffects(const WorldEffects&) = delete;
    WorldEffects& operator=(const WorldEffects&) = delete;

    // The effects at `seconds`; `pointed` is the part under the pointer.
    void update(float seconds, const std::string& pointed);
    // The effects that were made (WorldEffect bits).
    unsigned made() const { return madeEffects; }
    // Those of `which` the factory or this build could not make.
    unsigned missing() const { return asked & ~madeEffects; }

    // One hook per effect, so that each is made, driven and let go alone.
    class Hook {
    public:
        virtual ~Hook() = default;
        virtual void update(float seconds, const std::string& pointed) {
            (void)seconds;
            (void)pointed;
        }
    };

    // What the hooks reach: the view, the parts, the map and the factory.
    struct Context;

private:
    std::unique_ptr<Context> context;
    std::vector<std::unique_ptr<Hook>> hooks;
    unsigned asked = 0;
    unsigned madeEffects = 0;
};

}  // namespace scene
