#include "restore_check.h"

#include <engine/core/globals.h>
#include <engine/core/image.h>
#include <engine/core/render_driver.h>
#include <engine/core/render_image.h>
#include <engine/core/screen_shooter.h>
#include <platform/testing_input.h>

#include <stdexcept>
#include <vector>

namespace viewer {
namespace {

// Frames drawn after each disturbance before the picture is taken: the
// first may find its surfaces lost, the next is drawn after they were made
// again.
constexpr int settleFrames = 3;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Color> pixels;
};

Picture takePicture(const VideoMode& mode) {
    if (!theScreenShooter)
        throw std::runtime_error("no screen shooter to take the picture with");
    Picture picture{mode.getWidth(), mode.getHeight(), {}};
    Image2D image(picture.width, picture.height);
    RenderImage* pixels = image.getRenderImage();
    if (!pixels || !theScreenShooter->shoot(&image))
        throw std::runtime_error("the screen could not be copied into an image");
    picture.pixels.reserve(static_cast<std::size_t>(picture.width) * picture.height);
    pixels->beginDrawSession();
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            picture.pixels.push_back(pixels->getPixel(x, y));
    pixels->endDrawSession();
    return picture;
}

int differences(const Picture& before, const Picture& after) {
    if (before.pixels.size() != after.pixels.size())
        return static_cast<int>(std::max(before.pixels.size(), after.pixels.size()));
    int count = 0;
    for (std::size_t i = 0; i < before.pixels.size(); ++i)
        count += before.pixels[i] != after.pixels[i];
    return count;
}

}  // namespace

RestoreCheckResult runRestoreCheck(RenderDriver& driver, const VideoMode& mode,
                                   const std::function<void(int)>& drawFrames) {
    RestoreCheckResult result;
    drawFrames(settleFrames);
    const Picture before = takePicture(mode);

    // The change rebuilds every device object in place; the mode stays.
    driver.changeVideoMode(&mode);
    if (driver.getCurrentVideoMode() != &mode)
        throw std::runtime_error("the video mode changed to another one");
    drawFrames(settleFrames);
    result.modeChangeDifferences = differences(before, takePicture(mode));

    platform::testing::simulateTaskSwitch();
    drawFrames(settleFrames);
    result.taskSwitchDifferences = differences(before, takePicture(mode));
    return result;
}

void reportRestoreCheck(const RestoreCheckResult& result, std::ostream& out) {
    const auto line = [&out](const char* what, int count) {
        out << "restore check: " << what << ": ";
        if (count == 0)
            out << "same picture\n";
        else
            out << count << " pixels differ\n";
    };
    line("after the mode change", result.modeChangeDifferences);
    line("after the task switch", result.taskSwitchDifferences);
}

}  // namespace viewer
