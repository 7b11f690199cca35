#include "special/halo/halo_manager.h"

#include "special/halo/halo_math.h"

#include "driver.h"
#include "rmesh.h"
#include "rview.h"

#include <engine/core/animator.h>
#include <engine/core/degrading_manager.h>
#include <engine/core/globals.h>

bool halosEnabled() {
    return !theDegradingManager || theDegradingManager->getOption(DegradingManager::EFFECTS);
}

HaloManager::HaloManager() {
    deferredKey = -1;
    depth = getDepth();
}

HaloManager::~HaloManager() {
    for (auto& [animator, effect] : obstacles)
        animator->removeEffect(effect.get());
}

void HaloManager::initView(RenderView*) {
    halos.clear();
    depth = getDepth();
    addToDeferredAlphaObjectsList(this);
}

void HaloManager::registerHalo(HaloInterface* halo) {
    auto* view = theD3DRenderDriver
                     ? dynamic_cast<D3DRenderView*>(theD3DRenderDriver->getCurrentRenderView())
                     : nullptr;
    if (!halo || !view)
        return;
    const halo::Projection p =
        halo::project(view->getCameraRotation(), view->getCameraTranslation(),
                      view->getVerticalFactor(), view->getHorizontalFactor(), halo->getPosition());
    halos[halo] = {p.depth, p.x, p.y, halo::insideView(p)};
}

void HaloManager::process(D3DOneLevelRenderMesh* mesh) {
    if (!mesh)
        return;
    const BoundingBox& box = mesh->getScreenBox();
    for (auto& [halo, record] : halos) {
        if (!record.visible)
            continue;
        const halo::ObstacleQuery query =
            halo::obstacleQuery(record.depth, box.minimum.z, box.maximum.z);
        if (!query.test)
            continue;
        D3DOneLevelRenderMesh::IntersectionSettings settings;
        settings.storeDepth = false;
        settings.pointerY = record.x;
        settings.pointerX = record.y;
        settings.depthTest = query.depthTest;
        settings.maxDepth = query.maxDepth;
        if (mesh->findIntersection(settings))
            record.visible = false;
    }
}

void HaloManager::render() {
    for (auto& [halo, record] : halos)
        record.visible ? halo->show() : halo->hide();
    halos.clear();
}

void HaloManager::addObstacle(Animator* animator) {
    if (!animator)
        return;
    thread::Lock guard(this);
    if (obstacles.count(animator))
        return;
    auto effect = std::make_unique<ObstacleEffect>();
    animator->addEffect(effect.get());
    obstacles.emplace(animator, std::move(effect));
}

void HaloManager::delObstacle(Animator* animator) {
    thread::Lock guard(this);
    const auto found = obstacles.find(animator);
    if (found == obstacles.end())
        return;
    animator->removeEffect(found->second.get());
    obstacles.erase(found);
}

bool HaloManager::isObstacle(Animator* animator) const {
    thread::Lock guard(this);
    return obstacles.count(animator) != 0;
}
