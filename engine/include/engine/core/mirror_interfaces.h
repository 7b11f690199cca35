// The engine's interfaces of the mirror effects: a mirror's own mesh, a mesh
// that appears in mirrors, and a mesh drawn with its winding reversed. The
// engine only creates, attaches and deletes them.
#pragma once

#include "engine/core/special_effect.h"

class InvertCullingEffectInterface : public SpecialEffect {};
class MirrorEffectInterface : public SpecialEffect {};
class ReflectionEffectInterface : public SpecialEffect {};
