// Multi-pass rendering described as data: a descriptor lists alternative
// renderings (best first), each a list of passes giving blending, fog and a
// texture-stage cascade. Values are Direct3D's (D3DBLEND_, D3DTA_, D3DTOP_).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/types.h"

namespace render {

// A value that content may animate; users call update() before reading.
template <typename T>
class Parameter {
public:
    Parameter() = default;
    explicit Parameter(const T& value) : value(value) {}
    Parameter(const Parameter&) = default;
    Parameter& operator=(const Parameter&) = default;
    virtual ~Parameter() = default;

    // Brings the value up to date; a constant has nothing to do.
    virtual void update() {}
    const T& getValue() const { return value; }
    void setValue(const T& v) { value = v; }

protected:
    T value{};
};

using ColorParameter = Parameter<Color>;
using FloatParameter = Parameter<float>;

// A value that moves from `from` to `to` over `period` seconds of the
// paused render clock and back, for pulsing fog and the like.
template <typename T>
class PulsingParameter : public Parameter<T> {
public:
    PulsingParameter(const T& from, const T& to, float period)
        : Parameter<T>(from), from(from), to(to), period(period) {}
    void update() override;

private:
    T from;
    T to;
    float period;
};

// One texture stage: eight words in this order.
struct StageRecord {
    std::uint32_t colorArg1 = 2;  // D3DTA_TEXTURE
    std::uint32_t colorArg2 = 0;  // D3DTA_DIFFUSE
    std::uint32_t colorOp = 4;    // D3DTOP_MODULATE
    std::uint32_t alphaArg1 = 2;
    std::uint32_t alphaArg2 = 0;
    std::uint32_t alphaOp = 2;  // D3DTOP_SELECTARG1
    std::uint32_t unused = 0;
    std::uint32_t texCoordIndex = 0;
};
static_assert(sizeof(StageRecord) == 32, "a stage record is eight words");

struct RenderPass {
    enum FogKind { FOG_TABLE = 0, FOG_VERTEX = 1 };
    enum FogMode { FOG_EXP = 0, FOG_EXP2 = 1, FOG_LINEAR = 2 };

    std::uint32_t sourceBlend = 2;       // D3DBLEND_ONE
    std::uint32_t destinationBlend = 1;  // D3DBLEND_ZERO
    bool blending = false;
    std::vector<StageRecord> stages;
    bool fog = false;
    int fogKind = FOG_TABLE;
    bool rangeFog = false;
    int fogMode = FOG_LINEAR;
    std::shared_ptr<ColorParameter> fogColor = std::make_shared<ColorParameter>();
    std::shared_ptr<FloatParameter> fogStart = std::make_shared<FloatParameter>(0.0f);
    std::shared_ptr<FloatParameter> fogEnd = std::make_shared<FloatParameter>(1.0f);
    std::shared_ptr<FloatParameter> fogDensity = std::make_shared<FloatParameter>(1.0f);
};

using Rendering = std::vector<RenderPass>;
using RenderTypeDescriptor = std::vector<Rendering>;

}  // namespace render

#include "engine/core/rendering_inl.h"
