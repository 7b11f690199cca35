// The engine's interfaces of the texture mapping effects: a mesh drawn a
// second time with another texture, with its own coordinates, with
// coordinates seen through a sphere, or projected through a plane.
#pragma once

#include <string>

#include "engine/core/special_effect.h"
#include "engine/core/tmatrix.h"

// The mesh's own coordinates, another texture.
class MappingEffectInterface : public SpecialEffect {
public:
    // Called by position: keep the slot order (slot 0 is the destructor).
    // Slots 1, 2, 3, 9, 13 and 14 keep values the engine gives; this driver
    // stores them and draws nothing different.
    virtual void setKeptFlag() = 0;          // 1
    virtual void clearKeptFlag() = 0;        // 2
    virtual void clearSecondKeptFlag() = 0;  // 3
    // 0 .. 1, kept as a byte.
    virtual void setAlpha(float alpha) = 0;                // 4
    virtual void refresh() = 0;                            // 5
    virtual void setTexture(const std::string& name) = 0;  // 6
    // Replace: the mesh's regular sets are drawn only by the mapped pass.
    virtual void setReplace() = 0;  // 7
    // Overlay: the mesh is drawn as usual, the mapped pass over it.
    virtual void setOverlay() = 0;                      // 8
    virtual void setThirdKeptFlag(bool on) = 0;         // 9
    virtual void setBlendMode(int mode) = 0;            // 10
    virtual void reserved11() = 0;                      // 11
    virtual void reserved12() = 0;                      // 12
    virtual void setKeptByte(unsigned char value) = 0;  // 13
    virtual void setKeptInt(int value) = 0;             // 14
};

// What the spherical and the planar effect share, slots 1 to 12.
class GeneratedMappingInterface : public SpecialEffect {
public:
    // Called by position: keep the slot order (slot 0 is the destructor).
    virtual void enable() = 0;   // 1
    virtual void disable() = 0;  // 2
    // The coordinates are made again before the next drawing.
    virtual void invalidate() = 0;  // 3
    // 0 .. 1, kept as 0 .. 256.
    virtual void setAlpha(float alpha) = 0;                                      // 4
    virtual void setColor(float red, float green, float blue, float alpha) = 0;  // 5
    virtual void setTexture(const std::string& name) = 0;                        // 6
    // The coordinate set written (one more on top of an effect of the same
    // kind): 0 replaces the mesh's own texture, 1 leaves it.
    virtual void setBaseSet0() = 0;                    // 7
    virtual void setBaseSet1() = 0;                    // 8
    virtual void setRecomputeEveryFrame(bool on) = 0;  // 9
    virtual void setBlendMode(int mode) = 0;           // 10
    // 0, 1, 2: chain priority 7, 8, 9; anything else 0.
    virtual void setPriorityClass(int priorityClass) = 0;                      // 11
    virtual void setMapping(const TMatrix& matrix, const Vector& vector) = 0;  // 12
};

// Coordinates from the vertices' directions seen through a sphere.
class SphericalMappingEffectInterface : public GeneratedMappingInterface {
public:
    // Called by position: keep the slot order.
    virtual void setKeptByte(unsigned char value) = 0;  // 13
    virtual void setKeptInt(int value) = 0;             // 14
    // Directions from the centre to the vertex.
    virtual void setFromCentre(bool on) = 0;  // 15
    // Directions along the normals (with from-centre: where the normal's ray
    // leaves the sphere).
    virtual void setNormalMode(bool on) = 0;                // 16
    virtual void setRadius(float radius) = 0;               // 17
    virtual void setCentre(float x, float y, float z) = 0;  // 18
    // The mapping turns with the viewer instead of with the mesh.
    virtual void setCameraSpace(bool on) = 0;  // 19
};

// Coordinates from the vertices' positions projected through a plane.
class PlanarMappingEffectInterface : public GeneratedMappingInterface {
public:
    // Called by position: keep the slot order.
    virtual void setPerFacePositions(bool on) = 0;  // 13
    virtual void setKeptInt(int value) = 0;         // 14
    virtual void setWrap() = 0;                     // 15
    virtual void setClamp() = 0;                    // 16
    // Faces turned away from the plane get their coordinates pushed out of
    // the texture.
    virtual void setBackFacePush(bool on) = 0;  // 17
};
