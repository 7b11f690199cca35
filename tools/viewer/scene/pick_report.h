// The mesh under the mouse pointer, as the driver settles it at the end of
// each view: the scene's objects tell the report when the pointer enters or
// leaves them, and the report prints a line whenever the answer changes.
#pragma once

#include <engine/core/key_mesh.h>
#include <engine/core/render_mesh_shell.h>

#include <optional>
#include <ostream>
#include <string>

namespace scene {

class PickReport {
public:
    explicit PickReport(std::ostream& out) : out(out) {}

    void entered(const std::string& name) { pointed = name; }
    void left(const std::string& name) {
        if (pointed == name)
            pointed.clear();
    }
    // After each frame: "pointed: NAME" or "pointed: none" when that differs
    // from the last line printed (the first frame always prints).
    void frameDone();
    // The pointed object now; empty for none.
    const std::string& current() const { return pointed; }

private:
    std::ostream& out;
    std::string pointed;
    std::optional<std::string> printed;
};

// A named mesh shell of the scene.
class SceneObject : public RenderMeshShell {
public:
    SceneObject(std::string name, const BaseKeyMesh& mesh, PickReport* report)
        : RenderMeshShell(mesh), name(std::move(name)), report(report) {}

    const std::string& getName() const { return name; }

    void pointerEntered(RenderMeshListener*) override {
        if (report)
            report->entered(name);
    }
    void pointerLeft(RenderMeshListener*) override {
        if (report)
            report->left(name);
    }

private:
    std::string name;
    PickReport* report;
};

}  // namespace scene
